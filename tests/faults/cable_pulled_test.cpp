// The cable pulled in the middle of a download, and plugged in again.
#include "window_faults.h"

namespace tarnwick::faults {
namespace {

using namespace std::chrono_literals;

TEST_F(WindowFaults, CablePulledMidRunLeavesTheWindowCalmAndANewRunAfterReconnectEnds) {
  const HexImage image = makeImage(40);
  start({"--fast", "--hangup-at", "20", "--back-after", "1500"});
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(waitFor([&] { return station->line().deviceGone(); }, kRunLimit));
  EXPECT_EQ(station->barValue(), 20);  // the line the board hung up on

  // Unplugged: the window keeps ticking without spinning, and a click on
  // Info is handled (its write fails quietly).
  expectCalm(1500ms);
  const long infoBefore = station->line().writesOf("BOOTinfo\r\n");
  station->postClick("Command4");
  EXPECT_TRUE(waitFor([&] { return station->line().writesOf("BOOTinfo\r\n") > infoBefore; },
                      std::chrono::milliseconds(static_cast<int>(kCalmLateMs))));

  station->click("BTNCloseCom");
  EXPECT_EQ(station->status(), "Closed");
  EXPECT_EQ(station->line().openPorts, 0);

  ASSERT_FALSE(station->boardLine(10s).empty()) << "the board did not come back";
  ASSERT_TRUE(station->connect());
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(runEndsWith("END"));
  EXPECT_EQ(station->barColor(), kGreen);
  EXPECT_TRUE(station->dialogs().messages.empty());
  expectFlashHolds(image);
}

}  // namespace
}  // namespace tarnwick::faults
