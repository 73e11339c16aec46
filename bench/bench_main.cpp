// tarnwick_bench: how fast the program loads a board, against the bound its
// protocol sets, and what it costs while it waits. Prints a table for the
// README and the command that made it.
//
//   tarnwick_bench [--lines N]   the table; N lines in the timed run (9000)
//   tarnwick_bench --run N       one whole offscreen run of N lines against a
//                                fast board, for valgrind; exit 0 on "END"
//   tarnwick_bench --show-window (internal) the child of the start-up measure
//
// The window runs offscreen on its own QTimers; the board simulator paces
// both directions at 115200 baud and takes no time to write its flash.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bare_link.h"
#include "download_run.h"
#include "hex_image.h"
#include "machine_info.h"
#include "support/temp_folder.h"
#include "window_measures.h"
#include "window_station.h"

namespace tarnwick::bench {
namespace {

int fullRun(int lines) {
  testing::TempFolder folder;
  const faults::HexImage image = faults::makeImage(lines);
  faults::Station station(folder.path(), {"--fast"});
  if (!station.connect()) return 2;
  station.openFileAndDownload(image.writeTo(folder.path() + "/image.hex"));
  const bool ended =
      faults::waitFor([&] { return station.barText() == "END"; }, faults::kRunLimit * 5);
  station.click("BTNCloseCom");
  const bool flashHolds = station.stopBoard().errors == 0 && station.flash() == image.flash;
  std::printf("run of %d lines: %s\n", lines, ended && flashHolds ? "END" : "failed");
  return ended && flashHolds ? 0 : 1;
}

// Enough lines for a steady figure, in well under a minute.
constexpr int kBareLines = 1000;

int table(const std::string& self, int lines) {
  testing::TempFolder folder;
  const std::string hexPath = faults::makeImage(lines).writeTo(folder.path() + "/image.hex");
  const std::string loadPath = faults::makeImage(9000).writeTo(folder.path() + "/load.hex");

  const double startupMs = medianStartupMs(self, "--show-window", 5);
  const LoadTimes load = timeLoads(loadPath, 20);
  faults::Station station(folder.path(), {"--write-delay", "0"});
  const DownloadTiming run = timeDownload(station, hexPath, lines * 0.1 + 60);
  const double quietCpu = quietCpuShare(station, 10);
  const faults::HexImage bareImage = faults::makeImage(kBareLines);
  const BareTiming bare = timeBareLink(bareImage.lines, folder.path());
  const double peakMiB = static_cast<double>(faults::peakResidentKiB()) / 1024;
  if (!run.ended) std::printf("The run did not reach END.\n");

  const double ratio = run.seconds / run.boundSeconds;
  std::printf("Tarnwick benchmark, %s, %s\n\n", today().c_str(), machineDescription().c_str());
  std::printf("| Measure | Result | Target |\n|---|---|---|\n");
  std::printf(
      "| Download and verify, %d lines of 16 data bytes, 115200 baud, no flash delay"
      " | %.1f s for %ld lines sent, %.2f ms per line | |\n",
      lines, run.seconds, run.lines, run.seconds / static_cast<double>(run.lines) * 1e3);
  std::printf(
      "| The protocol's bound for that run (wire bytes at 10 bits, 20 ms quiet per read)"
      " | %.1f s, ratio %.3f | ratio within 1.05 |\n",
      run.boundSeconds, ratio);
  std::printf(
      "| The same exchange with no window: the serial link alone, %d lines"
      " | %.2f ms per line, ratio %.3f%s | |\n",
      kBareLines, bare.seconds / static_cast<double>(bare.lines) * 1e3,
      bare.seconds / bare.boundSeconds, bare.complete ? "" : " (answers missing)");
  std::printf("| CPU of the connected window, line quiet (10 s) | %.2f %% of a core | < 1 %% |\n",
              quietCpu * 100);
  std::printf(
      "| Open File and Download of a 9000-line file | first %.2f ms, then median %.2f ms"
      " of 20 | < 10 ms |\n",
      load.firstMs, load.medianMs);
  std::printf("| Start-up to a shown window (median of 5) | %.0f ms | |\n", startupMs);
  std::printf("| Peak memory (resident, whole benchmark process) | %.1f MiB | < 60 MB |\n\n",
              peakMiB);
  std::printf("seconds per line: %.5f\n", run.seconds / static_cast<double>(run.lines));
  std::printf("ratio to bound: %.2f\n", ratio);
  if (lines == 9000) {
    std::printf("Command: scripts/bench window\n");
  } else {
    std::printf("Command: scripts/bench window --lines %d\n", lines);
  }
  return run.ended ? 0 : 1;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  const std::string mode = argc > 1 ? argv[1] : "";
  qputenv("QT_QPA_PLATFORM", "offscreen");
  if (mode == "--show-window") return tarnwick::bench::showWindowAndSayWhen();

  QApplication app(argc, argv);
  const std::string self = "/proc/self/exe";
  if (mode == "--run" && argc == 3) return tarnwick::bench::fullRun(std::atoi(argv[2]));
  if (mode.empty()) return tarnwick::bench::table(self, 9000);
  if (mode == "--lines" && argc == 3) return tarnwick::bench::table(self, std::atoi(argv[2]));
  std::fprintf(stderr, "usage: %s [--lines N | --run N]\n", argv[0]);
  return 2;
}
