// The station's rows on a terminal narrower than its names and reasons: no
// row wraps (stale copies would stay), and no reason is lost.
#include "flash/report/station_display.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace tarnwick::flash {
namespace {

const std::string kSocket = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
const std::string kOther = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:2.0-port0";
const std::string kReason =
    "FAIL error: the board answered \"ERROR\" to line 3 of 140 in the download pass (1.2 s)";

// What a terminal shows line by line: cursor movements taken out.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(std::regex_replace(text, std::regex("\x1b\\[[0-9]*[A-Za-z]|\r"), ""));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct StationDisplayTest : ::testing::Test {
  std::ostringstream out;
  std::size_t columns = 60;
  StationDisplay display{out, true, [this] { return columns; }};

  void failOne() {
    display.addSocket(kSocket);
    display.addSocket(kOther);
    display.setState(0, "flashing", "flashing");
    display.setProgress(1, "verify   74/140 lines   52%  36 lines/s  0:02 left");
    display.setState(0, kReason, kReason);
  }
};

TEST_F(StationDisplayTest, OnANarrowTerminalRowsFitAndKeepTheStateAndTheReasonsStart) {
  failOne();
  const std::string failLine = kSocket + ": " + kReason;
  std::string lastFail, lastFlashing;
  for (const auto& line : linesOf(out.str())) {
    if (line == failLine) continue;  // said above the rows, whole: the terminal may wrap it
    EXPECT_LT(line.size(), 60u) << line;
    if (line.find("FAIL") != std::string::npos) lastFail = line;
    if (line.find("flashing: verify") != std::string::npos) lastFlashing = line;
  }
  // The name gives way to the reason, its end kept: it tells the sockets apart.
  EXPECT_NE(lastFail.find("1.0-port0  FAIL error: the board answer"), std::string::npos)
      << lastFail;
  EXPECT_NE(lastFlashing.find("2.0-port0  flashing: verify   74/140"), std::string::npos)
      << lastFlashing;

  // Made narrower, the terminal rewraps the two rows and the totals drawn at
  // 60 columns (59, 59 and 18 wide) into 3, 3 and 1 lines of 20: all are erased,
  // at the next look, with no change of state.
  const std::size_t drawn = out.str().size();
  display.refit();
  EXPECT_EQ(out.str().size(), drawn);  // the same width: nothing drawn again
  columns = 20;
  display.refit();
  ASSERT_NE(out.str().rfind("\x1b[7A"), std::string::npos);
  for (const auto& line : linesOf(out.str().substr(out.str().rfind("\x1b[7A"))))
    EXPECT_LT(line.size(), 20u) << line;
}

TEST_F(StationDisplayTest, OnATerminalAFailuresWholeReasonIsSaidOnceAboveTheRows) {
  failOne();
  display.setState(1, "PASS (2.0 s)", "PASS (2.0 s)");
  std::size_t said = 0;
  for (const auto& line : linesOf(out.str())) said += line == kSocket + ": " + kReason;
  EXPECT_EQ(said, 1u) << out.str();
  EXPECT_EQ(out.str().find(": PASS"), std::string::npos);  // a pass needs no line of its own
}

}  // namespace
}  // namespace tarnwick::flash
