// What the flasher tells the person or script that runs it, on standard error.
//
// How it works: the session reports each phase (connecting, connected,
// loaded, a pass begins, a line goes out, verified) and every message. In
// the Terminal style one status line is redrawn in place (at most ten times a
// second, and always at a pass's first and last line); in the Lines style
// each phase change prints one line and single lines sent print nothing; the
// Quiet style prints no progress. Messages always print, on a line of their
// own; the same message coming again and again (an attempt that fails the
// same way each tick) prints once, followed by how often it repeated.
//
// The text goes to a ProgressSink: on a stream of its own, or into a display
// shared by several boards (progress_board_display.h).
//
// Trap: a redrawn line must be wiped before anything else is printed, or the
// next line starts behind its remains; StreamProgressSink does that.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "flash/report/loop_clock.h"

namespace tarnwick::flash {

enum class ProgressStyle { Terminal, Lines, Quiet };
enum class Pass { Download, Verify };

// Where a report's text goes: one status line, redrawn in place, and whole
// lines, each printed once.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void status(const std::string& text) = 0;  // replaces the status line
  virtual void line(const std::string& text) = 0;    // a line of its own; the status line goes
  virtual void endStatus() = 0;                      // the status line stays, ended
};

// A stream of its own: the status line drawn with a carriage return.
class StreamProgressSink : public ProgressSink {
 public:
  explicit StreamProgressSink(std::ostream& out) : out_(out) {}
  void status(const std::string& text) override;
  void line(const std::string& text) override;
  void endStatus() override;

 private:
  void wipeStatus();
  std::ostream& out_;
  std::size_t drawnWidth_ = 0;  // columns of the status line on screen
};

class ProgressReport {
 public:
  ProgressReport(std::ostream& out, ProgressStyle style, bool verbose,
                 LoopClock& clock = systemLoopClock());
  ProgressReport(ProgressSink& sink, ProgressStyle style, bool verbose,
                 LoopClock& clock = systemLoopClock());

  void connecting(const std::string& port);
  void attempt(int count);  // the attempt counter, as the window's status shows it
  void connected(const std::string& port);
  void loaded(const std::string& file, int lines);
  void passStarted(Pass pass, int lines);
  void lineSent(int line);  // the line just sent in the current pass, from 1
  void verified();
  // Any other step worth a line, such as starting the program.
  void note(const std::string& text) { phase(text); }
  // The board's answers, shown only when verbose.
  void answer(const std::string& text);
  // Errors and the handlers' messages, always shown.
  void message(const std::string& text);
  // Ends the status line and any run of repeated messages.
  void finish();

  // The status line of a pass, as the Terminal style shows it; `seconds`
  // have passed since the pass's first line went out.
  static std::string passLine(Pass pass, int sent, int lines, double seconds);
  // The board's bytes on one line: CR, LF, the backslash and other bytes
  // outside printable ASCII escaped.
  static std::string printable(const std::string& text);

 private:
  using TimePoint = LoopClock::Clock::time_point;

  void phase(const std::string& text);  // a status line and, in Lines style, a line
  void drawStatus(const std::string& text);
  void endRepeats();
  double secondsSince(TimePoint start);

  std::unique_ptr<StreamProgressSink> ownSink_;  // with the stream constructor
  ProgressSink& sink_;
  ProgressStyle style_;
  bool verbose_;
  LoopClock& clock_;
  std::string port_;
  bool statusDrawn_ = false;
  TimePoint lastDraw_{};
  Pass pass_ = Pass::Download;
  int passLines_ = 0;
  TimePoint passStart_{};
  TimePoint runStart_{};
  int totalLines_ = 0;
  std::string lastMessage_;
  int repeats_ = 0;
};

}  // namespace tarnwick::flash
