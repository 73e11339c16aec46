#include "download_run.h"

#include <chrono>
#include <string_view>

#include "window_station.h"

namespace tarnwick::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBitsPerByte = 10;  // 8N1
constexpr double kBaud = 115200;
constexpr double kQuietSeconds = 0.020;

bool isLine(std::string_view bytes) {
  return bytes.rfind("BOOT:", 0) == 0 || bytes.rfind("BOOT#", 0) == 0;
}

// Follows the transfers of a run: lines out, answers in, and when.
struct Tally {
  long lines = 0;
  long wireBytes = 0;
  Clock::time_point firstLine;
  Clock::time_point lastAnswer;

  void wrote(std::string_view bytes) {
    if (!isLine(bytes)) return;  // "BOOTinfo" polls before the first line
    if (lines++ == 0) firstLine = Clock::now();
    wireBytes += static_cast<long>(bytes.size());
  }
  void read(std::string_view bytes) {
    if (lines == 0) return;
    wireBytes += static_cast<long>(bytes.size());
    lastAnswer = Clock::now();
  }
};

}  // namespace

DownloadTiming timeDownload(faults::Station& station, const std::string& hexPath,
                            double limitSeconds) {
  DownloadTiming timing;
  if (!station.connect()) return timing;
  // The answer to the first "BOOTinfo" is in before the run starts.
  faults::waitFor([&] { return station.answer().find("VER=") != std::string::npos; },
                  std::chrono::seconds(10));

  Tally tally;
  station.line().keepWrites = false;
  station.line().onWrite = [&](std::string_view bytes) { tally.wrote(bytes); };
  station.line().onRead = [&](std::string_view bytes) { tally.read(bytes); };
  station.openFileAndDownload(hexPath);
  timing.ended = faults::waitFor([&] { return station.barText() == "END"; },
                                 std::chrono::milliseconds(static_cast<long>(limitSeconds * 1e3)));
  station.line().onWrite = nullptr;
  station.line().onRead = nullptr;

  timing.lines = tally.lines;
  timing.seconds = std::chrono::duration<double>(tally.lastAnswer - tally.firstLine).count();
  timing.boundSeconds = static_cast<double>(tally.wireBytes) * kBitsPerByte / kBaud +
                        static_cast<double>(tally.lines) * kQuietSeconds;
  return timing;
}

}  // namespace tarnwick::bench
