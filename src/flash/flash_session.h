// One run of the flasher: connect, load, download and verify, as the window
// would do it when a person clicks Open Port and then Open File and Download.
//
// How it works: the session wires DownloadControl to a HeadlessForm and the
// window's three timers (Timer3 100 ms, TMRComm 20 ms, Timer2 500 ms) to a
// TimerLoop, clicks Open Port, and lets the timers run. What the window would
// show tells it how the run stands: the status caption ("Ready", "Not present
// board"), the answer box (each answer) and the bar ("DOWNLOAD", "VERIFY",
// "END", "ERROR", and its value, the line sent last). Once connected it clicks Open File and
// Download, which loads FILE.hex and starts the info polling; the handlers do the rest. Two watches
// of its own run after every tick: the answer time-out and the port's device
// vanishing. The first outcome ends the run; the port is closed as the window
// closes it when it unloads.
//
// Traps:
//   - The handlers are the window's, unchanged: a FORMAT answer or one that
//     holds no keyword makes the run rest, and only the time-out ends it.
//   - Only an answer holding a keyword restarts the time-out: a device that
//     echoes each command is not a board, and must not keep the run alive.
//   - The file is read once before connecting, so that a file that cannot be
//     loaded fails at once instead of after a connection; the load that
//     counts is the handler's, after the port has opened (Open Port forgets
//     an image loaded before it).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "download/download_control.h"
#include "flash/flash_options.h"
#include "flash/headless_form.h"
#include "flash/progress_report.h"
#include "flash/timer_loop.h"
#include "serial/serial_port.h"

namespace tarnwick::flash {

class FlashSession : private FormEvents {
 public:
  // `out` receives the --info answer; progress and messages go to `progress`.
  FlashSession(const FlashOptions& options, serial::SerialPlatform& platform,
               ProgressReport& progress, std::ostream& out, LoopClock& clock = systemLoopClock());
  FlashSession(const FlashSession&) = delete;
  FlashSession& operator=(const FlashSession&) = delete;

  // Runs to the end and gives the exit code.
  int run();

 private:
  enum class Phase { Connecting, Connected, Armed, DownloadPass, VerifyPass };
  using TimePoint = LoopClock::Clock::time_point;

  void wireTimers();
  bool fileLoads();  // read once before connecting; says why not
  void connect();
  void showInfo();
  void download();
  void end(int exitCode, const std::string& message = std::string());
  bool finished();
  bool watchesFired();
  bool infoComplete();
  std::string whereTheRunStands();

  // FormEvents: what the handlers show.
  void statusChanged(const std::string& caption) override;
  void answerShown(const std::string& text) override;
  void barTextChanged(const std::string& text) override;
  void barValueChanged(std::int32_t value) override;
  void messageShown(const std::u32string& text, download::MessageStyle style,
                    const std::string& title) override;

  const FlashOptions& options_;
  ProgressReport& progress_;
  std::ostream& out_;
  LoopClock& clock_;
  TimerLoop loop_;
  HeadlessForm form_;
  serial::SerialPort port_;
  download::DownloadControl control_;

  Phase phase_ = Phase::Connecting;
  std::optional<int> exitCode_;
  TimePoint connectStart_{};
  TimePoint lastHeard_{};    // the connection, or the last answer holding a keyword since
  TimePoint lastChunkAt_{};  // the last read that brought anything
  std::string lastAnswer_;
  int lastLineSent_ = 0;    // in the current pass, as the bar's value showed it
  std::string infoAnswer_;  // --info: the answer's pieces as they came
};

}  // namespace tarnwick::flash
