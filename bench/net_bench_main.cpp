// tarnwick_net_bench: what a board on the network costs. The flasher program
// runs the same image on the board simulator's pseudo-terminal, then through
// ser2net on the loopback address (raw TCP, then Telnet with RFC 2217, with
// and without ser2net's wait after each byte from the device), each
// time against a new simulator paced at 115200 baud with no flash delay, and
// the simulator's flash is compared with the image. Prints a table for the
// README and the command that made it. Not a test.
//
//   tarnwick_net_bench [--lines N]   N lines in each run (9000)
//
// The runs use the flasher's default answer end (a line end and a short
// quiet), where the network's own delay weighs most.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hex_image.h"
#include "machine_info.h"
#include "support/board_sim.h"
#include "support/ser2net_server.h"

namespace tarnwick::bench {
namespace {

using namespace std::chrono_literals;
using testing::Accepter;

using testing::CharDelay;

struct Path {
  const char* name;
  bool throughSer2net;
  Accepter accepter;
  CharDelay charDelay;
  const char* target;  // against the pseudo-terminal
};
constexpr Path kPaths[] = {
    {"the pseudo-terminal itself", false, Accepter::RawTcp, CharDelay::Off, ""},
    {"socket:// through ser2net, chardelay off", true, Accepter::RawTcp, CharDelay::Off,
     "within 1.10"},
    {"rfc2217:// through ser2net, chardelay off", true, Accepter::Rfc2217, CharDelay::Off,
     "within 1.10"},
    {"rfc2217:// through ser2net, its default chardelay", true, Accepter::Rfc2217,
     CharDelay::Ser2netDefault, ""},
};

struct RunTiming {
  bool verified = false;
  double seconds = 0;
};

RunTiming timeRun(const Path& path, const faults::HexImage& image, const std::string& hexPath,
                  const std::string& folder) {
  const std::string flashPath = folder + "/flash.bin";
  testing::BoardSim board({"--write-delay", "0", "--flash-out", flashPath});
  std::unique_ptr<testing::Ser2netServer> server;
  std::string port = board.portPath();
  if (path.throughSer2net) {
    server = std::make_unique<testing::Ser2netServer>(board.portPath(), path.accepter, "115200n81",
                                                      path.charDelay);
    if (!server->listening()) {
      std::fprintf(stderr, "%s\n", server->problem().c_str());
      return {};
    }
    port = server->url();
  }
  testing::ChildProcess flasher({FLASH_PROGRAM, port, hexPath});
  // Twice the window's cycle per line, and a minute to spare.
  const auto limit = std::chrono::milliseconds(image.lines.size() * 2 * 50) + 60s;
  const bool ended = flasher.waitForExit(limit);
  RunTiming timing;
  timing.seconds = flasher.runTime().count();
  const testing::SimSummary summary = testing::parseSummary(board.stop());
  timing.verified = ended && flasher.exitCode() == 0 && summary.errors == 0 &&
                    testing::readFile(flashPath) == image.flash;
  if (!timing.verified) {
    std::fprintf(stderr, "%s: exit %d, %lld errors; the flasher said:\n%s\n", path.name,
                 flasher.exitCode(), summary.errors, flasher.errorOutput().c_str());
  }
  return timing;
}

int table(int lines) {
  testing::TempFolder folder;
  const faults::HexImage image = faults::makeImage(lines);
  const std::string hexPath = image.writeTo(folder.path() + "/image.hex");
  const bool realTime = runAheadOfOtherWork();

  std::printf("Tarnwick network benchmark, %s, %s\n\n", today().c_str(),
              machineDescription().c_str());
  std::printf("%d lines of 16 data bytes, sent twice; the default answer end (a line end); %s\n\n",
              lines,
              realTime ? "simulators, ser2net and flasher at a real-time priority (SCHED_FIFO 10)"
                       : "at the ordinary priority (no real-time priority was allowed)");
  std::printf("| Path | Whole run | Per line | Against the pseudo-terminal | Target |\n");
  std::printf("|---|---|---|---|---|\n");
  bool allVerified = true;
  double ptyPerLine = 0;
  for (const Path& path : kPaths) {
    const RunTiming run = timeRun(path, image, hexPath, folder.path());
    const double perLine = run.seconds / (2.0 * lines);
    if (!path.throughSer2net) ptyPerLine = perLine;
    allVerified = allVerified && run.verified;
    std::printf("| %s | %.1f s%s | %.2f ms | %.3f | %s |\n", path.name, run.seconds,
                run.verified ? "" : " (not verified)", perLine * 1e3,
                ptyPerLine > 0 ? perLine / ptyPerLine : 0.0, path.target);
  }
  std::printf("\nCommand: scripts/bench net");
  if (lines != 9000) std::printf(" --lines %d", lines);
  std::printf("\n");
  return allVerified ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  const int lines = tarnwick::bench::linesOption(argc, argv, 9000);
  if (lines > 0) return tarnwick::bench::table(lines);
  std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
  return 2;
}
