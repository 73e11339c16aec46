#include "flash/report/board_display.h"

#include <algorithm>

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
                           const std::vector<std::string>& devices)
    : out_(out), terminal_(terminal), devices_(devices), statuses_(devices.size()) {
  std::size_t width = 0;
  for (const auto& device : devices_) width = std::max(width, device.size());
  for (auto& device : devices_) device.resize(width, ' ');
  for (std::size_t board = 0; board < devices.size(); ++board) {
    rows_.push_back(std::make_unique<Row>(*this, board));
  }
}

std::string BoardDisplay::rowText(std::size_t board) const {
  return (devices_[board] + "  " + statuses_[board]).substr(0, kRowWidth);
}

void BoardDisplay::drawRows() {
  for (std::size_t board = 0; board < rows_.size(); ++board) {
    out_ << '\r' << rowText(board) << kClearLine << '\n';
  }
  rowsDrawn_ = true;
}

void BoardDisplay::status(std::size_t board, const std::string& text) {
  if (!terminal_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  statuses_[board] = text;
  if (!rowsDrawn_) {
    drawRows();
  } else {
    const std::size_t up = rows_.size() - board;
    out_ << cursorUp(up) << '\r' << rowText(board) << kClearLine << cursorDown(up) << '\r';
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
  if (rowsDrawn_) out_ << cursorUp(rows_.size()) << '\r' << kClearBelow;
  out_ << prefixed << '\n';
  drawRows();
  out_ << std::flush;
}

}  // namespace tarnwick::flash
