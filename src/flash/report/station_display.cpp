#include "flash/report/station_display.h"

#include <algorithm>
#include <numeric>

namespace tarnwick::flash {
namespace {

// Cursor movements of ECMA-48, which terminals and Windows 10 consoles follow.
std::string cursorUp(std::size_t rows) {
  return "\x1b[" + std::to_string(rows) + "A";
}
constexpr char kClearBelow[] = "\x1b[J";
constexpr char kEllipsis[] = "...";
constexpr std::size_t kShortestField = 8;  // "..." and five characters of the end

// Columns a text takes: one a character (UTF-8 continuation bytes take none).
std::size_t columnsOf(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The byte where the text's `columns`-th column begins (its size past the end).
std::size_t byteAtColumn(const std::string& text, std::size_t columns) {
  std::size_t byte = 0;
  for (std::size_t seen = 0; byte < text.size(); ++byte) {
    if ((text[byte] & 0xC0) != 0x80 && seen++ == columns) break;
  }
  return byte;
}

std::string head(const std::string& text, std::size_t columns) {
  return text.substr(0, byteAtColumn(text, columns));
}

// The text's end, in `columns` columns: the ends of a fixture's names differ.
std::string tail(const std::string& text, std::size_t columns) {
  const std::size_t have = columnsOf(text);
  if (have <= columns) return text;
  if (columns <= sizeof kEllipsis - 1) return head(kEllipsis, columns);
  return kEllipsis + text.substr(byteAtColumn(text, have - (columns - (sizeof kEllipsis - 1))));
}

std::string padded(std::string text, std::size_t columns) {
  const std::size_t have = columnsOf(text);
  if (have < columns) text.append(columns - have, ' ');
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
    text += padded(tail(fields[i], widths[i]), widths[i]) + "  ";
  return head(text + row.state, width);
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
  for (const std::size_t columns : drawn_)
    lines += std::max<std::size_t>(1, (columns + width) / (width + 1));
  out_ << cursorUp(lines) << '\r' << kClearBelow;
  drawn_.clear();
}

void StationDisplay::printAbove(const std::string& text) {
  if (terminal_) clearRows(rowWidth());
  out_ << text << '\n';
}

void StationDisplay::redraw() {
  if (!terminal_) return;
  const std::size_t width = rowWidth();
  clearRows(width);
  for (const Row& row : rows_) {
    const std::string text = rowText(row, width);
    out_ << text << '\n';
    drawn_.push_back(columnsOf(text));
  }
  const std::string totals = head(totalsText(), width);
  out_ << totals << '\n' << std::flush;
  drawn_.push_back(columnsOf(totals));
}

}  // namespace tarnwick::flash
