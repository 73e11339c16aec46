#include "flash/report/board_display.h"

#include <algorithm>

#include "flash/report/row_text.h"

namespace tarnwick::flash {
namespace {

// Cursor movements of ECMA-48, which terminals and Windows 10 consoles follow.
std::string cursorUp(std::size_t rows) {
  return "\x1b[" + std::to_string(rows) + "A";
}
std::string cursorDown(std::size_t rows) {
  return "\x1b[" + std::to_string(rows) + "B";
}
constexpr char kClearLine[] = "\x1b[K";
constexpr char kClearBelow[] = "\x1b[J";

}  // namespace

BoardDisplay::BoardDisplay(std::ostream& out, bool terminal,
                           const std::vector<std::string>& devices,
                           std::function<std::size_t()> columns)
    : out_(out),
      terminal_(terminal),
      devices_(devices),
      statuses_(devices.size()),
      columns_(std::move(columns)) {
  std::size_t width = 0;
  for (const auto& device : devices_) width = std::max(width, columnsOf(device));
  for (auto& device : devices_) device = paddedColumns(device, width);
  for (std::size_t board = 0; board < devices.size(); ++board) {
    rows_.push_back(std::make_unique<Row>(*this, board));
  }
}

std::size_t BoardDisplay::rowWidth() const {
  const std::size_t columns = columns_ ? columns_() : 0;
  return columns > 1 ? columns - 1 : kRowWidth;
}

std::string BoardDisplay::rowText(std::size_t board, std::size_t width) const {
  const std::string& device = devices_[board];
  const std::size_t deviceColumns = columnsOf(device);
  const std::size_t statusColumns = columnsOf(statuses_[board]);
  std::size_t shown = deviceColumns;
  if (deviceColumns + 2 + statusColumns > width) {
    // The status keeps half the row (or all it needs) before the device gives way.
    const std::size_t keep = std::min(statusColumns, width / 2) + 2;
    shown = std::max<std::size_t>(std::min<std::size_t>(8, deviceColumns),
                                  width > keep ? width - keep : 0);
    shown = std::min(shown, deviceColumns);
  }
  const std::string name = device.substr(0, device.find_last_not_of(' ') + 1);
  return headColumns(paddedColumns(tailColumns(name, shown), shown) + "  " + statuses_[board],
                     width);
}

void BoardDisplay::eraseRows(std::size_t width) {
  if (drawn_.empty()) return;
  std::size_t lines = 0;
  for (const std::size_t columns : drawn_) lines += linesTaken(columns, width + 1);
  out_ << cursorUp(lines) << '\r' << kClearBelow;
  drawn_.clear();
}

void BoardDisplay::drawRows(std::size_t width) {
  eraseRows(width);
  for (std::size_t board = 0; board < rows_.size(); ++board) {
    const std::string text = rowText(board, width);
    out_ << '\r' << text << kClearLine << '\n';
    drawn_.push_back(columnsOf(text));
  }
  drawnWidth_ = width;
}

void BoardDisplay::status(std::size_t board, const std::string& text) {
  if (!terminal_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  statuses_[board] = text;
  const std::size_t width = rowWidth();
  if (drawn_.empty() || width != drawnWidth_) {
    drawRows(width);
  } else {
    const std::size_t up = rows_.size() - board;
    const std::string row = rowText(board, width);
    drawn_[board] = columnsOf(row);
    out_ << cursorUp(up) << '\r' << row << kClearLine << cursorDown(up) << '\r';
  }
  out_ << std::flush;
}

void BoardDisplay::line(std::size_t board, const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  const std::string& device = devices_[board];
  const std::string prefixed = device.substr(0, device.find_last_not_of(' ') + 1) + ": " + text;
  if (!terminal_) {
    out_ << prefixed << '\n' << std::flush;
    return;
  }
  const std::size_t width = rowWidth();
  eraseRows(width);
  out_ << prefixed << '\n';
  drawRows(width);
  out_ << std::flush;
}

}  // namespace tarnwick::flash
