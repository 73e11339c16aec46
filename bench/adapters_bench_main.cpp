// tarnwick_adapters_bench: the window and the flasher against boards behind
// the USB serial bridges people plug in, as the board simulator plays them
// (--adapter none, ftdi at its 16 ms latency timer, ftdi at 1 ms, cdc-acm):
// the window's time against its bound, the flasher's against the wire time,
// the answer delay the flasher measured, and how soon it told its user that
// the adapter holds answers back. Each board's flash is compared with the
// image. Prints a table for the README and the command that made it. Not a
// test.
//
//   tarnwick_adapters_bench [--lines N]   N lines in each run (2000)
//
// The window's figures are those of tarnwick_bench (download_run.h), the
// flasher's those of tarnwick_flash_bench. The notice's time is from the
// flasher's start to the notice showing on its standard error, looked at
// every 10 ms.
//
// Trap: the bridges' delays are a millisecond or less a line, which other
// work on a shared machine easily outweighs (the simulator paces its bytes
// with sleeps of 87 us). So the whole benchmark, the window included, and
// its children run at a real-time priority where the system allows it, as
// tarnwick_flash_bench does, and it says whether it could.
#include <QApplication>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "download_run.h"
#include "hex_image.h"
#include "machine_info.h"
#include "support/board_sim.h"
#include "support/child_process.h"
#include "support/temp_folder.h"
#include "window_station.h"

namespace tarnwick::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kSecondsPerByte = 10.0 / 115200;
constexpr std::size_t kInfoCommand = 10;     // "BOOTinfo"
constexpr std::size_t kInfoAnswer = 25;      // "VER=2.1 simulated board"
constexpr std::size_t kOkAnswer = 4;         // "OK"
constexpr std::size_t kDownloadAnswer = 10;  // to the last line of a pass
constexpr char kNoticeWords[] = "holds them back";

struct Adapter {
  const char* name;
  std::vector<std::string> options;
};

struct WindowRun {
  bool verified = false;
  double seconds = 0;
  double boundSeconds = 0;
};

struct FlasherRun {
  bool verified = false;
  double seconds = 0;  // from the connection to the end, as its report says
  std::optional<double> answerDelayMs;
  std::optional<double> noticeSeconds;  // from the program's start
};

std::vector<std::string> boardOptions(const Adapter& adapter, const std::string& flash) {
  std::vector<std::string> options{"--write-delay", "0"};
  if (!flash.empty()) options.insert(options.end(), {"--flash-out", flash});
  options.insert(options.end(), adapter.options.begin(), adapter.options.end());
  return options;
}

// The wire time of every exchange of the flasher's run.
double wireSeconds(const faults::HexImage& image) {
  std::size_t bytes = kInfoCommand + kInfoAnswer;
  for (std::size_t i = 0; i < image.lines.size(); ++i) {
    const std::size_t answer = i + 1 == image.lines.size() ? kDownloadAnswer : kOkAnswer;
    bytes += 2 * (4 + image.lines[i].size() + 2 + answer);
  }
  return static_cast<double>(bytes) * kSecondsPerByte;
}

WindowRun runWindow(const Adapter& adapter, const faults::HexImage& image,
                    const std::string& hexPath, const std::string& folder) {
  faults::Station station(folder, boardOptions(adapter, ""));
  const DownloadTiming timing =
      timeDownload(station, hexPath, static_cast<double>(image.lines.size()) * 0.2 + 60);
  station.click("BTNCloseCom");
  const bool flashHolds = station.stopBoard().errors == 0 && station.flash() == image.flash;
  return WindowRun{timing.ended && flashHolds, timing.seconds, timing.boundSeconds};
}

FlasherRun runFlasher(const Adapter& adapter, const faults::HexImage& image,
                      const std::string& hexPath, const std::string& folder) {
  const std::string flash = folder + "/flash.bin";
  testing::BoardSim sim(boardOptions(adapter, flash));
  testing::ChildProcess flasher({FLASH_PROGRAM, "--json", "--quiet", sim.portPath(), hexPath});
  const auto started = Clock::now();
  const auto limit = started + std::chrono::milliseconds(image.lines.size() * 100) + 60s;
  FlasherRun run;
  bool ended = false;
  while (!ended && Clock::now() < limit) {
    ended = flasher.waitForExit(10ms);
    if (!run.noticeSeconds && flasher.errorOutput().find(kNoticeWords) != std::string::npos) {
      run.noticeSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    }
  }
  const testing::SimSummary summary = testing::parseSummary(sim.stop());
  if (!ended) return run;
  const auto report = nlohmann::json::parse(flasher.output(), nullptr, false);
  if (!report.is_object() || !report["connect_seconds"].is_number()) return run;
  run.seconds = report["seconds"].get<double>() - report["connect_seconds"].get<double>();
  if (report["answer_delay_ms"].is_number()) run.answerDelayMs = report["answer_delay_ms"];
  run.verified =
      flasher.exitCode() == 0 && summary.errors == 0 && testing::readFile(flash) == image.flash;
  if (!run.verified) std::fprintf(stderr, "%s\n", flasher.errorOutput().c_str());
  return run;
}

std::string figure(const std::optional<double>& value, const char* format) {
  if (!value) return "none";
  char text[32];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

int table(int lines) {
  testing::TempFolder folder;
  const faults::HexImage image = faults::makeImage(lines);
  const std::string hexPath = image.writeTo(folder.path() + "/image.hex");
  const std::vector<Adapter> adapters{{"none", {"--adapter", "none"}},
                                      {"ftdi, 16 ms", {"--adapter", "ftdi"}},
                                      {"ftdi, 1 ms", {"--adapter", "ftdi", "--latency", "1"}},
                                      {"cdc-acm", {"--adapter", "cdc-acm"}}};
  const bool realTime = runAheadOfOtherWork();
  std::vector<WindowRun> windows;
  for (const auto& adapter : adapters) {
    windows.push_back(runWindow(adapter, image, hexPath, folder.path()));
  }
  std::vector<FlasherRun> flashers;
  for (const auto& adapter : adapters) {
    flashers.push_back(runFlasher(adapter, image, hexPath, folder.path()));
  }
  const double wire = wireSeconds(image);

  std::printf("Tarnwick adapters benchmark, %s, %s\n\n", today().c_str(),
              machineDescription().c_str());
  std::printf(
      "%d lines of 16 data bytes, each sent twice; the simulator paced at 115200 baud, no "
      "flash delay, playing the adapter; window, simulators and flasher %s\n\n",
      lines,
      realTime ? "at a real-time priority (SCHED_FIFO 10)"
               : "at the ordinary priority (no real-time priority was allowed)");
  std::printf(
      "| Adapter | Window | Window's bound | Ratio | Flasher | Wire time | Ratio | "
      "answer_delay_ms | Notice after |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  bool allVerified = true;
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const WindowRun& w = windows[i];
    const FlasherRun& f = flashers[i];
    allVerified = allVerified && w.verified && f.verified;
    std::printf("| %s | %.1f s%s | %.1f s | %.3f | %.1f s%s | %.1f s | %.3f | %s | %s |\n",
                adapters[i].name, w.seconds, w.verified ? "" : " (not verified)", w.boundSeconds,
                w.boundSeconds > 0 ? w.seconds / w.boundSeconds : 0.0, f.seconds,
                f.verified ? "" : " (not verified)", wire, f.seconds / wire,
                figure(f.answerDelayMs, "%.1f").c_str(), figure(f.noticeSeconds, "%.2f s").c_str());
  }
  std::printf(
      "\nTargets: on ftdi at 1 ms and cdc-acm the flasher within 1.5 of the wire time and "
      "the window within 1.10 of its bound; on ftdi at 16 ms the notice within 2 s.\n");
  std::printf("%s\n", allVerified ? "Every run verified." : "NOT every run verified.");
  std::printf("\nCommand: scripts/bench adapters");
  if (lines != 2000) std::printf(" --lines %d", lines);
  std::printf("\n");
  return allVerified ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int lines = tarnwick::bench::linesOption(argc, argv, 2000);
  if (lines > 0) return tarnwick::bench::table(lines);
  std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
  return 2;
}
