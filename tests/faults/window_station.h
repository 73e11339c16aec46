// A window offscreen, with the real handlers and serial link, wired to the
// board simulator on a pseudo-terminal; and the gauges the fault runs and the
// benchmark read while it works: CPU, resident memory, heap in use, and how
// late the event loop runs a timer.
//
// The board links its port as FOLDER/COM5:, and the window's port name is
// that link, so a board that comes back on a new port is found under the
// same name, as a USB device plugged in again is.
//
// Trap: waits run a real event loop (QEventLoop::exec), not a polling loop
// with sleeps in between, so the window's timers fire when they would in the
// program and the figures measured meanwhile are the program's own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "observed_platform.h"
#include "support/board_sim.h"
#include "ui/recording_dialogs.h"

namespace tarnwick::ui {
class DialogService;
class frmSerial;
}  // namespace tarnwick::ui

namespace tarnwick::faults {

// Generous bounds: a loaded 2-core machine must be slow here, not wrong.
inline constexpr std::chrono::milliseconds kConnectLimit{20000};
inline constexpr std::chrono::milliseconds kRunLimit{120000};

// The numbers of the simulator's "summary:" line; -1 where it printed none.
using BoardSummary = testing::SimSummary;

class Station {
 public:
  // Dialogs that answer from dialogs() unless others are given (the real ones).
  Station(const std::string& folder, std::vector<std::string> boardOptions,
          std::unique_ptr<ui::DialogService> dialogService = nullptr);
  ~Station();

  bool boardStarted() const { return !board_.portPath().empty(); }
  const std::string& portName() const { return portName_; }
  // The board's next output line: the new port's path when it comes back.
  std::string boardLine(std::chrono::seconds limit) { return board_.nextLine(limit); }
  // Stops the board; it writes its flash, read by flash() afterwards.
  BoardSummary stopBoard();
  std::string flash() const;
  const std::string& flashPath() const { return flashPath_; }

  ui::frmSerial& window() { return *window_; }
  ObservedPlatform& line() { return *line_; }
  testing::DialogLog& dialogs() { return *dialogs_; }

  // A click handled at once, as QTest delivers it.
  void click(const char* control);
  // A click posted to the event loop, as a person's click arrives.
  void postClick(const char* control);
  void openFileAndDownload(const std::string& path);
  // Open Port, then the wait for "Ready".
  bool connect();

  std::string status() const;
  std::string answer() const;  // Text8
  std::string barText() const;
  int barValue() const;
  std::uint32_t barColor() const;

 private:
  std::string portName_;
  std::string flashPath_;
  testing::BoardSim board_;
  std::shared_ptr<testing::DialogLog> dialogs_;
  ObservedPlatform* line_;
  std::unique_ptr<ui::frmSerial> window_;
};

// Runs the event loop until the condition holds (true) or the limit passes.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// How the window fared while the event loop ran on its own for a span.
struct Calm {
  double cpuShare = 0;     // CPU time of this process over wall time; 1 is one core
  double worstLateMs = 0;  // the latest a 50 ms timer of the loop fired
  long reads = 0;          // reads the receive timer made meanwhile
};
Calm watchWindow(Station& station, std::chrono::milliseconds span);

double processCpuSeconds();
long residentKiB();
long peakResidentKiB();
// What the heap holds in use now. Under AddressSanitizer freed blocks wait in
// its quarantine and swell the resident size, so growth is judged on this.
long heapInUseKiB();

}  // namespace tarnwick::faults
