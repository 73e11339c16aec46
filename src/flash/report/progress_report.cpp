#include "flash/report/progress_report.h"

#include <cmath>
#include <cstdio>

namespace tarnwick::flash {
namespace {

constexpr auto kRedrawPause = std::chrono::milliseconds(100);

const char* passName(Pass pass) {
  return pass == Pass::Download ? "download" : "verify";
}

// "m:ss"; "-:--" while nothing can be said.
std::string minutesAndSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "-:--";
  const long whole = std::lround(std::ceil(seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string ProgressReport::printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (byte < 0x20 || byte >= 0x7F || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

void StreamProgressSink::status(const std::string& text) {
  // Blanks over whatever the longer line before left on the screen.
  const std::size_t blanks = drawnWidth_ > text.size() ? drawnWidth_ - text.size() : 0;
  out_ << '\r' << text << std::string(blanks, ' ');
  if (blanks > 0) out_ << std::string(blanks, '\b');
  out_ << std::flush;
  drawnWidth_ = text.size();
}

void StreamProgressSink::line(const std::string& text) {
  wipeStatus();
  out_ << text << '\n' << std::flush;
}

void StreamProgressSink::endStatus() {
  if (drawnWidth_ > 0) out_ << '\n' << std::flush;
  drawnWidth_ = 0;
}

void StreamProgressSink::wipeStatus() {
  if (drawnWidth_ == 0) return;
  out_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
  drawnWidth_ = 0;
}

ProgressReport::ProgressReport(std::ostream& out, ProgressStyle style, bool verbose,
                               LoopClock& clock)
    : ownSink_(std::make_unique<StreamProgressSink>(out)),
      sink_(*ownSink_),
      style_(style),
      verbose_(verbose),
      clock_(clock) {}

ProgressReport::ProgressReport(ProgressSink& sink, ProgressStyle style, bool verbose,
                               LoopClock& clock)
    : sink_(sink), style_(style), verbose_(verbose), clock_(clock) {}

std::string ProgressReport::passLine(Pass pass, int sent, int lines, double seconds) {
  const int percent = lines > 0 ? static_cast<int>(100LL * sent / lines) : 0;
  // The clock starts as the first line goes out: the lines after it set the pace.
  const double rate = sent > 1 && seconds > 0 ? (sent - 1) / seconds : 0;
  // The download pass still has the whole verify pass after it.
  const int left = lines - sent + (pass == Pass::Download ? lines : 0);
  char text[160];
  if (rate > 0) {
    std::snprintf(text, sizeof text, "%-8s %d/%d lines  %3d%%  %.0f lines/s  %s left",
                  passName(pass), sent, lines, percent, rate,
                  minutesAndSeconds(left / rate).c_str());
  } else {
    std::snprintf(text, sizeof text, "%-8s %d/%d lines  %3d%%  - lines/s  -:-- left",
                  passName(pass), sent, lines, percent);
  }
  return text;
}

void ProgressReport::connecting(const std::string& port) {
  port_ = port;
  runStart_ = clock_.now();
  phase("connecting to " + port);
}

void ProgressReport::attempt(int count) {
  if (style_ == ProgressStyle::Terminal) {
    drawStatus("connecting to " + port_ + "  (attempt " + std::to_string(count) + ")");
  }
}

void ProgressReport::connected(const std::string& port) {
  phase("connected to " + port);
}

void ProgressReport::loaded(const std::string& file, int lines) {
  totalLines_ = lines;
  phase("loaded " + file + ": " + std::to_string(lines) + " lines; waiting for the board");
}

void ProgressReport::passStarted(Pass pass, int lines) {
  pass_ = pass;
  passLines_ = lines;
  phase(std::string(passName(pass)) + " pass: " + std::to_string(lines) + " lines");
}

void ProgressReport::lineSent(int line) {
  if (style_ != ProgressStyle::Terminal) return;
  const TimePoint now = clock_.now();
  if (line == 1) passStart_ = now;
  // The first and last lines always show; the rest no faster than the eye reads.
  if (line != 1 && line != passLines_ && now - lastDraw_ < kRedrawPause) return;
  drawStatus(passLine(pass_, line, passLines_, secondsSince(passStart_)));
}

void ProgressReport::verified() {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", secondsSince(runStart_));
  phase("verified " + std::to_string(totalLines_) + " lines in " + seconds + " s");
  finish();
}

void ProgressReport::answer(const std::string& text) {
  if (!verbose_) return;
  endRepeats();
  sink_.line("board: " + printable(text));
  statusDrawn_ = false;
}

void ProgressReport::message(const std::string& text) {
  if (text == lastMessage_) {
    ++repeats_;
    return;
  }
  endRepeats();
  lastMessage_ = text;
  sink_.line("tarnwick-flash: " + text);
  statusDrawn_ = false;
}

void ProgressReport::finish() {
  if (statusDrawn_) sink_.endStatus();
  statusDrawn_ = false;
  endRepeats();
}

void ProgressReport::phase(const std::string& text) {
  if (style_ == ProgressStyle::Terminal) drawStatus(text);
  if (style_ != ProgressStyle::Lines) return;
  endRepeats();
  sink_.line(text);
}

void ProgressReport::drawStatus(const std::string& text) {
  sink_.status(text);
  statusDrawn_ = true;
  lastDraw_ = clock_.now();
}

void ProgressReport::endRepeats() {
  if (repeats_ > 0) {
    sink_.line("tarnwick-flash: (the message above came " + std::to_string(repeats_) +
               " more time" + (repeats_ == 1 ? "" : "s") + ")");
    statusDrawn_ = false;
  }
  repeats_ = 0;
  lastMessage_.clear();
}

double ProgressReport::secondsSince(TimePoint start) {
  return std::chrono::duration<double>(clock_.now() - start).count();
}

}  // namespace tarnwick::flash
