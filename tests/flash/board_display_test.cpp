// Several boards on one standard error: what a terminal shows in the end, and
// the lines elsewhere.
#include "flash/report/board_display.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarnwick::flash {
namespace {

// The screen after `text`, for the few controls the display uses: CR, LF,
// ESC[nA (up), ESC[nB (down), ESC[K (clear to the line's end), ESC[J (to the end).
std::vector<std::string> screenOf(const std::string& text) {
  std::vector<std::string> rows(1);
  std::size_t row = 0, column = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      if (++row == rows.size()) rows.emplace_back();
      column = 0;
    } else if (c == '\x1b') {
      const std::size_t end = text.find_first_of("ABJK", i);
      const int n = end > i + 2 ? std::stoi(text.substr(i + 2, end - i - 2)) : 0;
      if (text[end] == 'A') row -= static_cast<std::size_t>(n);
      if (text[end] == 'B') row += static_cast<std::size_t>(n);
      if (text[end] == 'K') rows[row].resize(std::min(rows[row].size(), column));
      if (text[end] == 'J') {
        rows.resize(row + 1);
        rows[row].resize(column);
      }
      i = end;
    } else {
      if (rows[row].size() <= column) rows[row].resize(column + 1, ' ');
      rows[row][column++] = c;
    }
  }
  return rows;
}

TEST(BoardDisplay, OnATerminalEachBoardKeepsItsRowAndMessagesGoAboveThem) {
  std::ostringstream out;
  BoardDisplay display(out, true, {"/dev/ttyACM0", "/dev/ttyACM10"});
  display.row(0).status("connecting to /dev/ttyACM0");
  display.row(1).status("download 3/140 lines, a longer text than the next");
  display.row(0).status("verify 140/140 lines");
  display.row(1).line("tarnwick-flash: the board answered \"ERROR\"");
  display.row(1).status("stopped");
  EXPECT_EQ(screenOf(out.str()),
            (std::vector<std::string>{"/dev/ttyACM10: tarnwick-flash: the board answered \"ERROR\"",
                                      "/dev/ttyACM0   verify 140/140 lines",
                                      "/dev/ttyACM10  stopped", ""}));
}

TEST(BoardDisplay, OnANarrowTerminalRowsFitAndTheStatusOutlastsTheDeviceName) {
  std::ostringstream out;
  std::size_t columns = 40;
  BoardDisplay display(out, true,
                       {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", "/dev/ttyACM1"},
                       [&] { return columns; });
  display.row(0).status("download 3/140 lines   2%");
  display.row(1).status("connecting");
  columns = 30;  // made narrower: the two rows of 39 columns take 4 lines now
  display.row(1).status("verify 7/140 lines");
  const std::string narrow = out.str().substr(out.str().rfind("\x1b[4A"));
  EXPECT_EQ(screenOf(narrow.substr(4)),
            (std::vector<std::string>{"...:1.0-port0  download 3/140",
                                      "/dev/ttyACM1   verify 7/140 l", ""}));
}

TEST(BoardDisplay, ElsewhereEveryLineNamesItsBoardAndRowsAreNotPrinted) {
  std::ostringstream out;
  BoardDisplay display(out, false, {"COM5", "COM12"});
  display.row(1).status("download 3/140 lines");
  display.row(1).line("verify pass: 140 lines");
  display.row(0).line("verified 140 lines in 5.0 s");
  EXPECT_EQ(out.str(), "COM12: verify pass: 140 lines\nCOM5: verified 140 lines in 5.0 s\n");
}

}  // namespace
}  // namespace tarnwick::flash
