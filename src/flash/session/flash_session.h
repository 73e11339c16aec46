// One run of the flasher: connect, load, download and verify, as the window
// would do it when a person clicks Open Port and then Open File and Download.
//
// How it works: run() goes through the phases of a run, one function each:
// checkFile reads FILE.hex once and checks that it is one whole Intel HEX
// image (hex_image.h; --no-check skips the check), so that a file that cannot
// be sent fails before any port is tried; connect wires DownloadControl to a
// HeadlessForm and the window's three timers (Timer3 100 ms, TMRComm 20 ms,
// Timer2 500 ms) to a TimerLoop, clicks Open Port and lets the timers run;
// download hands the image to the handlers as Open File and Download would
// and runs the download pass; verify runs the verify pass to its end. The
// handlers do the sending; the session watches.
//
// How the run stands comes from the handlers' events (DownloadObserver): a
// connection, the attempts given up, each line sent with its index and form,
// each answer with the keyword it was acted on as. A RunJudge holds them
// against the protocol; what the window would display is never read. Three
// watches of the session's own run after every tick: the answer time-out, the
// port's device vanishing, and a stop request (SIGINT, SIGTERM, SIGHUP). The first
// outcome ends the run and stands; the port is closed at once, so that a line
// the handlers send after a broken exchange goes nowhere, and the loop stops.
//
// PORT may name a board (port_target.h): before each attempt the session looks
// it up and puts the device found into the port name box, which the attempt
// then reads. A port that is no serial device ends the run at the first
// attempt; any other reason a port did not open is named at the give-up.
//
// Traps:
//   - The receive timer's interval follows the answer gap (20 ms for the
//     window): with a shorter gap, a 20 ms tick would hold every exchange
//     back in the gap's place.
//   - The handlers are the window's, unchanged: an answer that holds no
//     keyword makes the run rest, and only the time-out ends it. A FORMAT
//     answer makes it rest for good (nothing more is sent): the session ends
//     the run there.
//   - Bytes that waited on the port before the first command are no answer
//     to it: the port is reached through a StaleInputDrain.
//   - Only an answer holding a keyword restarts the time-out: a device that
//     echoes each command is not a board, and must not keep the run alive.
//   - Open Port forgets an image loaded before it, so the image is handed to
//     the handlers after the port has opened, never before.
//   - An adapter that holds answers back (answer_delay_meter.h) slows every
//     line: once its first answers are measured, a median turnaround of
//     8 ms or more is said once, with how to shorten it.
#pragma once

#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "download/download_control.h"
#include "flash/report/flash_outcome.h"
#include "flash/report/progress_report.h"
#include "flash/session/answer_delay_meter.h"
#include "flash/session/flash_options.h"
#include "flash/session/headless_form.h"
#include "flash/session/hex_image.h"
#include "flash/session/port_target.h"
#include "flash/session/run_judge.h"
#include "flash/session/stale_input_drain.h"
#include "flash/session/stop_request.h"
#include "flash/session/timer_loop.h"
#include "serial/serial_port.h"

namespace tarnwick::flash {

// The flasher's limits: far larger images than the window's table holds, and
// a line counter that cannot overflow there.
inline constexpr download::DownloadLimits kFlasherLimits{
    1'000'000, std::numeric_limits<download::LineNumber>::max()};

class FlashSession : private download::DownloadObserver, private FormEvents {
 public:
  // `out` receives the --info answer; progress and messages go to `progress`.
  // `listPorts` gives the system's serial ports, where a board name is looked up.
  FlashSession(const FlashOptions& options, serial::SerialPlatform& platform,
               ProgressReport& progress, std::ostream& out, LoopClock& clock = systemLoopClock(),
               const StopRequest& stop = processStopRequest,
               PortLister listPorts = serial::listSerialPorts);
  FlashSession(const FlashSession&) = delete;
  FlashSession& operator=(const FlashSession&) = delete;

  // The image, read and checked already (the station's, --every's): run()
  // then reads no file. Call before run().
  void useImage(std::shared_ptr<const HexImage> image) { image_ = std::move(image); }

  // Runs to the end and gives the exit code.
  int run();
  // After run(): how it ended and what it did.
  const FlashOutcome& outcome() const { return outcome_; }

 private:
  enum class Phase { Connecting, Connected, Armed };
  using TimePoint = LoopClock::Clock::time_point;

  void wireTimers();
  // The phases of a run; each does nothing once the run has ended.
  bool checkFile();  // read (unless given) and checked before connecting; says why not
  void connect();
  void download();
  void verify();
  void showInfo();  // --info, in place of download and verify
  void startProgram();
  int closeRun();
  void handOverImage();
  void lookUpPort();
  void attemptDone();
  std::string whyNotOpened() const;
  void end(int exitCode, const std::string& message = std::string());
  bool ended() const { return ended_; }
  bool finished();
  bool interrupted();
  bool watchesFired();
  bool infoComplete();
  void judged();
  void judgeAnswerDelay();
  std::string whereTheRunStands() const;
  std::string refusedLine() const;

  // DownloadObserver: what the handlers did.
  void attemptCounted(std::int16_t count) override;
  void connected() override;
  void gaveUp() override;
  void answerReceived(const std::string& answer, download::AnswerKeyword keyword) override;
  void lineSent(download::LineNumber index, download::LineForm form) override;

  // FormEvents: the message boxes a person would have read.
  void messageShown(const std::u32string& text, download::MessageStyle style,
                    const std::string& title) override;

  const FlashOptions& options_;
  ProgressReport& progress_;
  std::ostream& out_;
  LoopClock& clock_;
  const StopRequest& stop_;
  TimerLoop loop_;
  PortTarget target_;
  bool boardFound_ = false;  // a board name matched a port at the last attempt
  HeadlessForm form_;
  StaleInputDrain platform_;  // what waited before the first command is no answer
  AnswerDelayMeter meter_;    // how long the first answers take to arrive
  bool delayJudged_ = false;
  serial::SerialPort port_;
  download::DownloadControl control_;

  Phase phase_ = Phase::Connecting;
  std::shared_ptr<const HexImage> image_;
  std::optional<RunJudge> judge_;  // from the handlers' load on
  bool ended_ = false;
  FlashOutcome outcome_;
  TimePoint connectStart_{};
  TimePoint lastHeard_{};    // the connection, or the last answer holding a keyword since
  TimePoint lastChunkAt_{};  // the last read that brought anything
  std::string lastAnswer_;
  std::string infoAnswer_;  // --info: the answer's pieces as they came
};

}  // namespace tarnwick::flash
