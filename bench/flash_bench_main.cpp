// tarnwick_flash_bench: how near the line's speed the flasher loads a board
// at its default answer end (a line end and a short quiet), against the
// window's timing (--answer-end quiet), and what flashing four boards at once
// costs against one alone, also with two busy loops loading both cores. The
// flasher program runs against the board simulator paced at 115200 baud with
// no flash delay; each board's flash is compared with the image. Prints a
// table for the README and the command that made it. Not a test.
//
//   tarnwick_flash_bench [--lines N]   N lines in each run (9000)
//
// The time of a run is the flasher's own (its --json report): from the
// connection (the port open and "BOOTinfo" written) to the end. The wire
// time: for every exchange ("BOOTinfo" and each line of both passes) the
// command's and the answer's bytes at 10 bits a byte. The window's timing
// adds the answer gap to each exchange, the line end its short quiet.
//
// Trap: the simulator paces its answers byte by byte, each written when the
// line would have finished sending it. On a busy machine a sleep of 87 us
// can end milliseconds late. So the benchmark runs itself and its children
// (simulators and flasher inherit it) at a real-time priority where the
// system lets it, and says whether it could; the run beside the busy loops
// goes at the ordinary priority, as the loops do, to show what load does.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hex_image.h"
#include "machine_info.h"
#include "support/board_sim.h"
#include "support/child_process.h"

namespace tarnwick::bench {
namespace {

using namespace std::chrono_literals;

constexpr double kSecondsPerByte = 10.0 / 115200;
// The simulator's answers, CR LF included.
constexpr std::size_t kInfoCommand = 10;  // "BOOTinfo"
constexpr std::size_t kInfoAnswer = 25;   // "VER=2.1 simulated board"
constexpr std::size_t kOkAnswer = 4;
constexpr std::size_t kDownloadAnswer = 10;  // to the last line of a pass

// The wire time of every exchange, plus `perExchange` seconds each.
double boundSeconds(const faults::HexImage& image, double perExchange) {
  std::size_t bytes = kInfoCommand + kInfoAnswer;
  for (std::size_t i = 0; i < image.lines.size(); ++i) {
    const std::size_t answer = i + 1 == image.lines.size() ? kDownloadAnswer : kOkAnswer;
    bytes += 2 * (4 + image.lines[i].size() + 2 + answer);  // "BOOT", the line, CR LF
  }
  const std::size_t exchanges = 1 + 2 * image.lines.size();
  return static_cast<double>(bytes) * kSecondsPerByte +
         static_cast<double>(exchanges) * perExchange;
}

struct Run {
  bool verified = false;
  double seconds = 0;      // the slowest board's, from its connection to its end
  double wallSeconds = 0;  // the whole program's, start to exit
};

// Runs the flasher once against `boards` new simulators, all at once.
Run flashBoards(int boards, const std::vector<std::string>& options, const faults::HexImage& image,
                const std::string& hexPath, const std::string& folder) {
  std::vector<std::unique_ptr<testing::BoardSim>> sims;
  std::string ports;
  for (int i = 0; i < boards; ++i) {
    const std::string flash = folder + "/flash" + std::to_string(i) + ".bin";
    sims.push_back(std::make_unique<testing::BoardSim>(
        std::vector<std::string>{"--write-delay", "0", "--flash-out", flash}));
    ports += (i > 0 ? "," : "") + sims.back()->portPath();
  }
  std::vector<std::string> args{FLASH_PROGRAM, "--json", "--quiet"};
  args.insert(args.end(), options.begin(), options.end());
  if (boards > 1) args.push_back("--every");
  args.insert(args.end(), {ports, hexPath});
  testing::ChildProcess flasher(args);
  // Twice the window's cycle per line, and a minute to spare.
  const bool ended = flasher.waitForExit(std::chrono::milliseconds(image.lines.size() * 100) + 60s);
  Run run;
  run.verified = ended && flasher.exitCode() == 0;
  run.wallSeconds = flasher.runTime().count();
  if (!ended) return run;
  nlohmann::json reports = nlohmann::json::parse(flasher.output(), nullptr, false);
  if (!reports.is_array()) reports = nlohmann::json::array({reports});
  for (const auto& report : reports) {
    if (!report.is_object() || !report["connect_seconds"].is_number()) return Run{};
    run.seconds = std::max(
        run.seconds, report["seconds"].get<double>() - report["connect_seconds"].get<double>());
  }
  for (int i = 0; i < boards; ++i) {
    const testing::SimSummary summary = testing::parseSummary(sims[i]->stop());
    run.verified = run.verified && summary.errors == 0 &&
                   testing::readFile(folder + "/flash" + std::to_string(i) + ".bin") == image.flash;
  }
  if (!run.verified) std::fprintf(stderr, "%s\n", flasher.errorOutput().c_str());
  return run;
}

void printRow(const char* what, const Run& run, double wire, std::size_t lines,
              const char* target) {
  const double exchanges = 2.0 * static_cast<double>(lines);
  std::printf("| %s | %.1f s%s | %.2f ms | %.2f ms | %.3f | %s |\n", what, run.seconds,
              run.verified ? "" : " (not verified)", run.seconds / exchanges * 1e3,
              wire / exchanges * 1e3, run.seconds / wire, target);
}

// Two loops that keep both cores busy for as long as they live, at the
// ordinary priority.
struct BusyLoops {
  testing::ChildProcess first{{"/bin/sh", "-c", "while :; do :; done"}};
  testing::ChildProcess second{{"/bin/sh", "-c", "while :; do :; done"}};
};

// `run` at the ordinary priority beside two busy loops; the priority the
// benchmark had is back afterwards.
Run besideBusyLoops(bool realTime, const std::function<Run()>& run) {
  runAsOrdinaryWork();
  Run result;
  {
    BusyLoops loops;
    result = run();
  }
  if (realTime) runAheadOfOtherWork();
  return result;
}

int table(int lines) {
  const bool realTime = runAheadOfOtherWork();
  testing::TempFolder folder;
  const faults::HexImage image = faults::makeImage(lines);
  const std::string hexPath = image.writeTo(folder.path() + "/image.hex");
  const std::size_t count = image.lines.size();

  const Run line = flashBoards(1, {}, image, hexPath, folder.path());
  const Run quiet = flashBoards(1, {"--answer-end", "quiet"}, image, hexPath, folder.path());
  const Run four = flashBoards(4, {}, image, hexPath, folder.path());
  const Run loaded =
      besideBusyLoops(realTime, [&] { return flashBoards(4, {}, image, hexPath, folder.path()); });
  const double wire = boundSeconds(image, 0);

  std::printf("Tarnwick flasher benchmark, %s, %s\n\n", today().c_str(),
              machineDescription().c_str());
  std::printf(
      "%d lines of 16 data bytes, each sent twice; the simulator paced at 115200 baud, "
      "no flash delay; %s\n\n",
      lines,
      realTime ? "simulators and flasher at a real-time priority (SCHED_FIFO 10)"
               : "at the ordinary priority (no real-time priority was allowed)");
  std::printf("| Run | Time | Per line | Wire time per line | Ratio to wire time | Target |\n");
  std::printf("|---|---|---|---|---|---|\n");
  printRow("default, --answer-end line", line, wire, count, "within 1.15");
  printRow("--answer-end quiet (the window's timing)", quiet, wire, count, "");
  printRow("--every, four boards (the slowest)", four, wire, count, "");
  printRow("--every, four boards, two busy loops, ordinary priority (the slowest)", loaded, wire,
           count, "");
  std::printf(
      "\nThe line end's floor, the wire time plus the line-end quiet of 1 ms a line: ratio %.3f\n",
      boundSeconds(image, 0.001) / wire);
  std::printf("Speed-up of the line end over the window's timing: %.2f times%s\n",
              line.seconds > 0 ? quiet.seconds / line.seconds : 0.0,
              line.verified && quiet.verified ? "" : "; a run was not verified");
  std::printf(
      "Four boards with --every against one alone: %.1f s against %.1f s, %.3f times "
      "(target: within 1.05)%s\n",
      four.seconds, line.seconds, line.seconds > 0 ? four.seconds / line.seconds : 0.0,
      four.verified && line.verified ? "" : "; not every board verified");
  std::printf("Four boards beside two busy loops: %.1f s, %s\n", loaded.seconds,
              loaded.verified ? "all four verified" : "NOT every board verified");
  std::printf("\nCommand: scripts/bench flash");
  if (lines != 9000) std::printf(" --lines %d", lines);
  std::printf("\n");
  return line.verified && quiet.verified && four.verified && loaded.verified ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  const int lines = tarnwick::bench::linesOption(argc, argv, 9000);
  if (lines > 0) return tarnwick::bench::table(lines);
  std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
  return 2;
}
