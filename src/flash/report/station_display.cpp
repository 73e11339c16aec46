#include "flash/report/station_display.h"

#include <algorithm>

namespace tarnwick::flash {
namespace {

// Cursor movements of ECMA-48, which terminals and Windows 10 consoles follow.
std::string cursorUp(std::size_t rows) {
  return "\x1b[" + std::to_string(rows) + "A";
}
constexpr char kClearBelow[] = "\x1b[J";

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

}  // namespace

std::size_t StationDisplay::addSocket(const std::string& name) {
  std::size_t index = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back(Row{name, {}, {}, "waiting"});
    redraw();
    index = rows_.size() - 1;
  }
  notify();
  return index;
}

StationDisplay::Snapshot StationDisplay::snapshot() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return Snapshot{rows_, passed_, failed_};
}

void StationDisplay::setBoard(std::size_t socket, const std::string& device,
                              const std::string& location) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    rows_.at(socket).device = device;
    rows_.at(socket).location = location;
    redraw();
  }
  notify();
}

void StationDisplay::setState(std::size_t socket, const std::string& state,
                              const std::string& event) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    Row& row = rows_.at(socket);
    row.state = state;
    if (terminal_) {
      redraw();
    } else if (!event.empty()) {
      std::string line = row.name;
      if (!row.device.empty() && row.device != row.name) line += " " + row.device;
      out_ << line << ": " << event << '\n' << std::flush;
    }
  }
  notify();
}

void StationDisplay::setProgress(std::size_t socket, const std::string& progress) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    rows_.at(socket).state = "flashing: " + progress;
    redraw();
  }
  notify();
}

void StationDisplay::setTotals(int passed, int failed) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    passed_ = passed;
    failed_ = failed;
    redraw();
  }
  notify();
}

void StationDisplay::message(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_ && drawnLines_ > 0) out_ << cursorUp(drawnLines_) << '\r' << kClearBelow;
  out_ << text << '\n';
  drawnLines_ = 0;
  if (terminal_) redraw();
  out_ << std::flush;
}

void StationDisplay::finish() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!terminal_) out_ << totalsText() << '\n';
  out_ << std::flush;
}

std::string StationDisplay::rowText(const Row& row) const {
  std::size_t nameWidth = 0;
  std::size_t deviceWidth = 0;
  for (const Row& each : rows_) {
    nameWidth = std::max(nameWidth, each.name.size());
    deviceWidth = std::max(deviceWidth, each.device == each.name ? 0 : each.device.size());
  }
  std::string text = padded(row.name, nameWidth) + "  ";
  if (deviceWidth > 0) text += padded(row.device == row.name ? "" : row.device, deviceWidth) + "  ";
  if (!row.location.empty()) text += "usb-path:" + row.location + "  ";
  return (text + row.state).substr(0, kRowWidth);
}

std::string StationDisplay::totalsText() const {
  return "passed " + std::to_string(passed_) + ", failed " + std::to_string(failed_);
}

void StationDisplay::redraw() {
  if (!terminal_) return;
  if (drawnLines_ > 0) out_ << cursorUp(drawnLines_) << '\r' << kClearBelow;
  for (const Row& row : rows_) out_ << rowText(row) << '\n';
  out_ << totalsText() << '\n' << std::flush;
  drawnLines_ = rows_.size() + 1;
}

}  // namespace tarnwick::flash
