// tarnwick_station_bench: how soon the station starts on a board, and what a
// record costs. Prints a table for the README and the command that made it.
// Not a test.
//
//   tarnwick_station_bench [--boards N] [--records N]
//
// From a port appearing to the first command on its line: the station runs
// in-process on a scripted device source (what udev's monitor hands it within
// milliseconds); each board is a fresh pseudo-terminal, announced at t0, and
// the time is taken when its first byte ("BOOTinfo") can be read on the
// other side. The board is then pulled (its run ends "vanished") and the next
// one plugged into the same socket once the station has done with it.
//
// A record: one line as the station writes it (about 700 bytes), appended
// and synced (fsync) by the log's writer, to a file on the disk that holds
// the build folder (not /tmp, which may be memory, where a sync costs
// nothing).
#include <poll.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "flash/session/flash_session.h"
#include "flash/station/station.h"
#include "flash/station/station_record.h"
#include "machine_info.h"
#include "serial/net/serial_platform_factory.h"
#include "support/pty_pair.h"

namespace tarnwick::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ScriptedWatch : public serial::DeviceWatch {
 public:
  void push(serial::DeviceEvent event) {
    const std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::move(event));
    ready_.notify_all();
  }
  std::vector<serial::DeviceEvent> next(std::chrono::milliseconds timeout) override {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait_for(lock, timeout, [this] { return !events_.empty(); });
    return std::exchange(events_, {});
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<serial::DeviceEvent> events_;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds from each board's announcement to its first byte; empty on a failure.
std::vector<double> timesToFirstCommand(int boards, const std::string& folder) {
  const std::string hexFile = folder + "/image.hex";
  {
    std::FILE* file = std::fopen(hexFile.c_str(), "wb");
    std::fputs(":0400000001020304F2\r\n:00000001FF\r\n", file);
    std::fclose(file);
  }
  flash::FlashOptions options;
  options.station = true;
  options.port = "usb-path:1-1";
  options.hexFile = hexFile;
  ScriptedWatch watch;
  flash::StopRequest stop;
  std::ostringstream shown;
  flash::StationDisplay display(shown, false);
  flash::StationSetup setup;
  setup.options = options;
  setup.image = flash::loadHexImage(hexFile, true, flash::kFlasherLimits.maxLines).image;
  setup.watch = &watch;
  setup.makePlatform = serial::makeSerialPlatformFor;
  setup.display = &display;
  setup.stop = &stop;
  flash::Station station(std::move(setup));
  std::thread running([&] { station.run(); });

  std::vector<double> times;
  for (int i = 0; i < boards; ++i) {
    testing::PtyPair board;
    serial::UsbPortIdentity usb{0x2341, 0x0043, "Maker", "Board", "B" + std::to_string(i),
                                0,      "1-1"};
    const serial::PortDescription port{board.slavePath(), board.slavePath(), usb};
    const auto t0 = Clock::now();
    watch.push({serial::DeviceEvent::Kind::Added, port});
    pollfd ready{board.masterFd(), POLLIN, 0};
    if (poll(&ready, 1, 10000) != 1) break;
    times.push_back(millisecondsSince(t0));
    watch.push({serial::DeviceEvent::Kind::Removed, port});
    board.hangUp();
    // The socket is free again once the run has ended.
    const auto until = Clock::now() + 30s;
    while (station.failed() + station.passed() < i + 1 && Clock::now() < until) {
      std::this_thread::sleep_for(5ms);
    }
  }
  stop.request(2);
  running.join();
  if (static_cast<int>(times.size()) != boards) {
    std::fprintf(stderr, "%s", shown.str().c_str());
    return {};
  }
  return times;
}

// Milliseconds of each append-and-sync; empty when the log could not be written.
std::vector<double> recordTimes(int records, const std::string& folder) {
  flash::HexImage image;
  image.bytes = 6268;
  image.sendLines = 140;
  image.sha256 = std::string(64, 'e');
  flash::StationRecord record{
      std::chrono::system_clock::now(), "bench-3",
      serial::PortDescription{
          "/dev/ttyACM0", "/dev/ttyACM0",
          serial::UsbPortIdentity{0x2341, 0x0043, "Arduino (www.arduino.cc)", "Uno R3",
                                  "85736323838351F0E1A1", 0, "1-2.3"}},
      &image, flash::BoardReport{}};
  record.report.port = "/dev/ttyACM0";
  record.report.file = "/srv/images/blink-2.4.hex";
  record.report.outcome.exitCode = 0;
  record.report.outcome.lines = 140;
  record.report.outcome.seconds = 3.9;
  record.report.outcome.boardInfo = "VER=2.1 simulated board\r\n";
  const std::string line = flash::stationRecordJson(record);
  std::string error;
  const std::string path = folder + "/records.jsonl";
  const auto log = flash::RecordLog::open(path, error);
  if (!log) {
    std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.c_str());
    return {};
  }
  std::vector<double> times;
  for (int i = 0; i < records; ++i) {
    const auto t0 = Clock::now();
    if (!log->append(line, error)) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
      return {};
    }
    times.push_back(millisecondsSince(t0));
  }
  std::printf("(a record is %zu bytes, written to %s)\n\n", line.size(), path.c_str());
  return times;
}

int optionValue(int argc, char* argv[], const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
  }
  return fallback;
}

}  // namespace
}  // namespace tarnwick::bench

int main(int argc, char* argv[]) {
  using namespace tarnwick::bench;
  const int boards = optionValue(argc, argv, "--boards", 20);
  const int records = optionValue(argc, argv, "--records", 100);
  if (boards < 1 || records < 1) {
    std::fprintf(stderr, "usage: %s [--boards N] [--records N]\n", argv[0]);
    return 64;
  }
  // Beside the benchmark's program: the build folder's disk.
  const std::string folder =
      std::filesystem::path(argv[0]).parent_path().string() + "/station-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);

  std::printf("Tarnwick station benchmark, %s, %s\n\n", today().c_str(),
              machineDescription().c_str());
  const auto firstCommand = timesToFirstCommand(boards, folder);
  const auto written = recordTimes(records, folder);
  std::filesystem::remove_all(folder);
  if (firstCommand.empty() || written.empty()) return 1;
  std::printf("| Measure | Median | Slowest | Target |\n|---|---|---|---|\n");
  std::printf(
      "| Port appearing to the first command on its line (%d boards) | %.1f ms | %.1f ms "
      "| under 1 s |\n",
      boards, median(firstCommand), *std::max_element(firstCommand.begin(), firstCommand.end()));
  std::printf(
      "| A record appended and on the disk (%d records) | %.2f ms | %.2f ms | under 10 ms "
      "|\n",
      records, median(written), *std::max_element(written.begin(), written.end()));
  std::printf("\nCommand: scripts/bench station\n");
  return 0;
}
