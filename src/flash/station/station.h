// The production station: every board that MATCH names is flashed as it is
// plugged in, and each is recorded.
//
// How it works: the image is read and checked once, before anything else
// (hex_image.h). The station then waits for devices through a DeviceWatch
// (serial/device_watch.h) and sorts each one that appears into a socket: a
// device path of MATCH is a socket, so is each `usb-path:` name; a board name
// that matches many boards (usb:VID:PID) gets a socket for each USB path (or
// device) it matched. A socket whose board appeared is flashed at once, in a
// thread and session of its own as --every runs them, so that sockets flash
// side by side. When the run ends, its record is written (station_record.h,
// record_log.h), is on the disk, and only then does the socket show PASS or
// FAIL; it stays so until the board goes. A socket's board is flashed once
// while it stays plugged in; the next board in it is flashed when it comes.
// A board that leaves and comes back: flashed again after a FAIL (also one
// whose port went without the watch seeing it go: the watch forgets it and
// adds it again when it finds it); after a PASS only when it is another
// board. The one that passed is known by its USB serial number and place,
// so one that starts its program and shows up again is not flashed twice;
// a board with no serial number cannot be told from the next one, and is
// flashed.
//
// A board that goes during its run stops its session at once (its own stop
// request) and is FAIL, "vanished", even where the port layer would not have
// noticed (a USB bridge that keeps its handle open). SIGINT and SIGTERM stop
// every run (recorded as interrupted) and the station, with 130. A record
// that cannot be written stops every run and the station, with 73: no board
// is flashed without its record.
//
// Traps:
//   - A board can be seen twice, by a board name and by a device path that
//     leads to it (or by udev's event and the list that backs it up): a
//     device already in a socket is not put in another.
//   - A session must not outlive its board's row: the station joins each
//     run's thread before it ends.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "flash/gang/gang_run.h"
#include "flash/report/station_display.h"
#include "flash/session/flash_options.h"
#include "flash/session/hex_image.h"
#include "flash/session/stop_request.h"
#include "flash/station/record_log.h"
#include "serial/devices/board_name.h"
#include "serial/devices/device_watch.h"

namespace tarnwick::flash {

// MATCH's items: board names and device paths.
struct StationItem {
  std::string text;
  std::optional<serial::BoardName> board;  // none: a device path
};
std::vector<StationItem> stationItems(const std::string& match);

// The devices MATCH's items need watching: the system's ports for board
// names, the paths themselves for device paths.
std::unique_ptr<serial::DeviceWatch> makeStationWatch(const std::vector<StationItem>& items);

struct StationSetup {
  FlashOptions options;  // port: MATCH
  std::shared_ptr<const HexImage> image;
  serial::DeviceWatch* watch = nullptr;
  PlatformMaker makePlatform;
  StationDisplay* display = nullptr;
  bool terminal = false;         // runs show their progress in their rows
  std::ostream* json = nullptr;  // --json: a record a line
  RecordLog* log = nullptr;      // --log, or none
  const StopRequest* stop = &processStopRequest;
  std::string host;
  // Each record as written (the station's page keeps them): from a run's thread.
  std::function<void(const std::string& line)> recorded;
};

class Station {
 public:
  explicit Station(StationSetup setup);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  // Runs until stopped: 130, or 73 when a record could not be written.
  int run();
  int passed() const { return passed_; }
  int failed() const { return failed_; }

 private:
  struct Run;
  struct Socket {
    std::string name;
    const StationItem* item = nullptr;
    std::string key;  // the device path, or the USB path (or device) a name matched
    std::size_t row = 0;
    std::optional<serial::PortDescription> board;   // the board in it now
    bool flashDue = false;                          // it came and was not flashed yet
    std::optional<serial::PortDescription> passed;  // its last board, if that one passed
    std::shared_ptr<Run> run;
  };

  void added(const serial::PortDescription& port);
  void removed(const serial::PortDescription& port);
  Socket* socketFor(const serial::PortDescription& port);
  bool alreadyInASocket(const serial::PortDescription& port) const;
  void startDueRuns();
  void flash(Socket& socket, Run& run);  // in the run's thread
  FlashOutcome runSession(std::size_t row, Run& run);
  void finished(Socket& socket, Run& run, FlashOutcome outcome);
  void joinEndedRuns(bool all);
  void stopEveryRun();
  int finish();

  StationSetup setup_;
  std::vector<StationItem> items_;
  std::mutex mutex_;  // the sockets and totals, between the station and the runs
  std::vector<std::unique_ptr<Socket>> sockets_;
  std::atomic<int> passed_{0};
  std::atomic<int> failed_{0};
  std::atomic<bool> logBroken_{false};
  std::vector<std::string> lost_;  // boards whose port went unseen by the watch: to forget
};

// tarnwick-flash --station: reads the image, opens the log, watches the
// system's devices and runs the station; messages go to `err`.
int runStation(const FlashOptions& options, std::ostream& err, std::ostream& out, bool terminal);

}  // namespace tarnwick::flash
