#include "flash/report/station_display.h"

#include <algorithm>
#include <numeric>

#include "flash/report/row_text.h"

namespace tarnwick::flash {
namespace {

// Cursor movements of ECMA-48, which terminals and Windows 10 consoles follow.
std::string cursorUp(std::size_t rows) {
  return "\x1b[" + std::to_string(rows) + "A";
}
constexpr char kClearBelow[] = "\x1b[J";
constexpr std::size_t kShortestField = 8;  // "..." and five characters of the end

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
      // The row may be cut: a failure's reason is also said whole, once.
      if (!event.empty() && event.rfind("FAIL", 0) == 0) printAbove(eventText(row, event));
      redraw();
    } else if (!event.empty()) {
      out_ << eventText(row, event) << '\n' << std::flush;
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
  printAbove(text);
  redraw();
  out_ << std::flush;
}

void StationDisplay::finish() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!terminal_) out_ << totalsText() << '\n';
  out_ << std::flush;
}

std::string StationDisplay::rowText(const Row& row, std::size_t width) const {
  std::size_t nameWidth = 0;
  std::size_t deviceWidth = 0;
  for (const Row& each : rows_) {
    nameWidth = std::max(nameWidth, columnsOf(each.name));
    deviceWidth = std::max(deviceWidth, each.device == each.name ? 0 : columnsOf(each.device));
  }
  std::vector<std::string> fields{row.name};
  std::vector<std::size_t> widths{nameWidth};
  if (deviceWidth > 0) {
    fields.push_back(row.device == row.name ? "" : row.device);
    widths.push_back(deviceWidth);
  }
  if (!row.location.empty()) {
    fields.push_back("usb-path:" + row.location);
    widths.push_back(columnsOf(fields.back()));
  }
  const std::size_t gaps = 2 * fields.size();
  const std::size_t stateColumns = columnsOf(row.state);
  std::size_t fieldColumns = std::accumulate(widths.begin(), widths.end(), std::size_t{0});
  if (fieldColumns + gaps + stateColumns > width) {
    // The state keeps half the row (or all it needs); the widest field gives way first.
    const std::size_t keep = std::min(stateColumns, width / 2) + gaps;
    const std::size_t budget = width > keep ? width - keep : 0;
    while (fieldColumns > budget) {
      auto widest = std::max_element(widths.begin(), widths.end());
      if (*widest <= kShortestField) break;
      --*widest;
      --fieldColumns;
    }
  }
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i)
    text += paddedColumns(tailColumns(fields[i], widths[i]), widths[i]) + "  ";
  return headColumns(text + row.state, width);
}

std::string StationDisplay::eventText(const Row& row, const std::string& event) const {
  std::string line = row.name;
  if (!row.device.empty() && row.device != row.name) line += " " + row.device;
  return line + ": " + event;
}

std::string StationDisplay::totalsText() const {
  return "passed " + std::to_string(passed_) + ", failed " + std::to_string(failed_);
}

std::size_t StationDisplay::rowWidth() const {
  const std::size_t columns = columns_ ? columns_() : 0;
  return columns > 1 ? columns - 1 : kRowWidth;
}

void StationDisplay::clearRows(std::size_t width) {
  if (drawn_.empty()) return;
  // A line wider than the terminal now (it was made narrower) takes several.
  std::size_t lines = 0;
  for (const std::size_t columns : drawn_) lines += linesTaken(columns, width + 1);
  out_ << cursorUp(lines) << '\r' << kClearBelow;
  drawn_.clear();
}

void StationDisplay::printAbove(const std::string& text) {
  if (terminal_) clearRows(rowWidth());
  out_ << text << '\n';
}

void StationDisplay::refit() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_ && !drawn_.empty() && rowWidth() != drawnWidth_) redraw();
}

void StationDisplay::redraw() {
  if (!terminal_) return;
  const std::size_t width = rowWidth();
  clearRows(width);
  drawnWidth_ = width;
  for (const Row& row : rows_) {
    const std::string text = rowText(row, width);
    out_ << text << '\n';
    drawn_.push_back(columnsOf(text));
  }
  const std::string totals = headColumns(totalsText(), width);
  out_ << totals << '\n' << std::flush;
  drawn_.push_back(columnsOf(totals));
}

}  // namespace tarnwick::flash
