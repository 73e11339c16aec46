// tarnwick_flash_bench: how near the line's speed the flasher loads a board,
// with the window's answer gap and with a 2 ms one, and what flashing four
// boards at once costs against one alone. The flasher program runs against
// the board simulator paced at 115200 baud with no flash delay; each board's
// flash is compared with the image. Prints a table for the README and the
// command that made it. Not a test.
//
//   tarnwick_flash_bench [--lines N]   N lines in each run (9000)
//
// The time of a run is the flasher's own (its --json report): from the
// connection (the port open and "BOOTinfo" written) to the end. Its bound:
// for every exchange ("BOOTinfo" and each line of both passes) the command's
// and the answer's bytes at 10 bits a byte plus the answer gap, the quiet
// with which the read of an answer ends.
//
// Trap: the simulator paces its answers byte by byte, each written when the
// line would have finished sending it. On a busy machine a sleep of 87 us
// can end milliseconds late, and an answer cut so is two answers at a 2 ms
// gap: the run stalls and ends at the answer time-out. So the benchmark runs
// itself and its children (simulators and flasher inherit it) at a real-time
// priority where the system lets it, and says whether it could.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "hex_image.h"
#include "machine_info.h"
#include "support/board_sim.h"

namespace tarnwick::bench {
namespace {

using namespace std::chrono_literals;

constexpr double kSecondsPerByte = 10.0 / 115200;
// The simulator's answers, CR LF included.
constexpr std::size_t kInfoCommand = 10;  // "BOOTinfo"
constexpr std::size_t kInfoAnswer = 25;   // "VER=2.1 simulated board"
constexpr std::size_t kOkAnswer = 4;
constexpr std::size_t kDownloadAnswer = 10;  // to the last line of a pass

double boundSeconds(const faults::HexImage& image, double gapSeconds) {
  std::size_t bytes = kInfoCommand + kInfoAnswer;
  for (std::size_t i = 0; i < image.lines.size(); ++i) {
    const std::size_t answer = i + 1 == image.lines.size() ? kDownloadAnswer : kOkAnswer;
    bytes += 2 * (4 + image.lines[i].size() + 2 + answer);  // "BOOT", the line, CR LF
  }
  const std::size_t exchanges = 1 + 2 * image.lines.size();
  return static_cast<double>(bytes) * kSecondsPerByte + static_cast<double>(exchanges) * gapSeconds;
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

void printRow(const char* what, const Run& run, double bound, std::size_t lines,
              const char* target) {
  const double exchanges = 2.0 * static_cast<double>(lines);
  std::printf("| %s | %.1f s%s | %.2f ms | %.2f ms | %.3f | %s |\n", what, run.seconds,
              run.verified ? "" : " (not verified)", run.seconds / exchanges * 1e3,
              bound / exchanges * 1e3, run.seconds / bound, target);
}

int table(int lines) {
  const bool realTime = runAheadOfOtherWork();
  testing::TempFolder folder;
  const faults::HexImage image = faults::makeImage(lines);
  const std::string hexPath = image.writeTo(folder.path() + "/image.hex");
  const std::size_t count = image.lines.size();

  const std::vector<std::string> shortGap{"--answer-gap", "2"};
  const Run window = flashBoards(1, {}, image, hexPath, folder.path());
  const Run fast = flashBoards(1, shortGap, image, hexPath, folder.path());
  const Run fourWindow = flashBoards(4, {}, image, hexPath, folder.path());
  const Run fourFast = flashBoards(4, shortGap, image, hexPath, folder.path());
  const double windowBound = boundSeconds(image, 0.020);
  const double fastBound = boundSeconds(image, 0.002);

  std::printf("Tarnwick flasher benchmark, %s, %s\n\n", today().c_str(),
              machineDescription().c_str());
  std::printf(
      "%d lines of 16 data bytes, each sent twice; the simulator paced at 115200 baud, "
      "no flash delay; %s\n\n",
      lines,
      realTime ? "simulators and flasher at a real-time priority (SCHED_FIFO 10)"
               : "at the ordinary priority (no real-time priority was allowed)");
  std::printf("| Run | Time | Per line | Bound per line | Ratio to bound | Target |\n");
  std::printf("|---|---|---|---|---|---|\n");
  printRow("default answer gap (20 ms)", window, windowBound, count, "within 1.05");
  printRow("--answer-gap 2", fast, fastBound, count, "within 1.15");
  printRow("--every, four boards, default gap (the slowest)", fourWindow, windowBound, count, "");
  printRow("--every, four boards, --answer-gap 2 (the slowest)", fourFast, fastBound, count, "");
  std::printf("\nSpeed-up of --answer-gap 2: %.2f times (target: at least 3)%s\n",
              fast.seconds > 0 ? window.seconds / fast.seconds : 0.0,
              window.verified && fast.verified ? "" : "; a run was not verified");
  const auto compare = [](const char* gap, const Run& four, const Run& one) {
    std::printf(
        "Four boards with --every against one alone, %s, whole program: %.1f s against "
        "%.1f s, %.3f times (target: within 1.2)%s\n",
        gap, four.wallSeconds, one.wallSeconds,
        one.wallSeconds > 0 ? four.wallSeconds / one.wallSeconds : 0.0,
        four.verified && one.verified ? "" : "; not every board verified");
  };
  compare("default gap", fourWindow, window);
  compare("--answer-gap 2", fourFast, fast);
  std::printf("\nCommand: scripts/bench flash");
  if (lines != 9000) std::printf(" --lines %d", lines);
  std::printf("\n");
  return window.verified && fast.verified && fourWindow.verified && fourFast.verified ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  const int lines = tarnwick::bench::linesOption(argc, argv, 9000);
  if (lines > 0) return tarnwick::bench::table(lines);
  std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
  return 2;
}
