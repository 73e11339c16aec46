// A board that floods the line: no read takes more than 255 bytes, the
// window keeps ticking and answering clicks, and its memory stays flat.
#include "window_faults.h"

namespace tarnwick::faults {
namespace {

using namespace std::chrono_literals;

// 345600 filler bytes at 115200 baud: 30 s of a line that never pauses,
// before the board's answer to the first "BOOTinfo".
TEST_F(WindowFaults, ThirtySecondsOfFloodLeaveTheWindowTickingPromptAndFlat) {
  start({"--burst", "345600"});
  ASSERT_TRUE(waitFor([&] { return station->line().readsWithData > 40; }, 10s));
  const long heapBefore = heapInUseKiB();
  const long readsBefore = station->line().readsWithData;

  double worstLateMs = 0;
  for (int second = 0; second < 27; ++second) {
    const Calm calm = watchWindow(*station, 1s);
    worstLateMs = std::max(worstLateMs, calm.worstLateMs);
    if (second % 8 == 0) {  // Open File and Download, cancelled: answered with a box
      const std::size_t shown = station->dialogs().messages.size();
      station->postClick("Command3");
      EXPECT_TRUE(waitFor([&] { return station->dialogs().messages.size() > shown; }, 2s));
    }
  }
  EXPECT_LT(worstLateMs, kCalmLateMs);
  // About 45 reads a second (255 bytes take 22 ms on the line); far fewer is
  // still a window that ticks.
  EXPECT_GT(station->line().readsWithData - readsBefore, 200);
  EXPECT_EQ(station->line().largestRead, 255u);
  // Flat: about 1 KiB more after some 1300 reads; a leak of 200 bytes a read fails.
  EXPECT_LT(heapInUseKiB() - heapBefore, 256);
  EXPECT_EQ(station->barText(), "NO FILE");  // dots set nothing off
}

// Each answer comes after 300 filler bytes: the keyword arrives in the
// second read of the two, and the run goes through.
TEST_F(WindowFaults, AnswersBehindBurstsOverOneReadStillRunToEnd) {
  const HexImage image = makeImage(6);
  start({"--burst", "300", "--write-delay", "0"});
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(runEndsWith("END"));
  EXPECT_EQ(station->line().largestRead, 255u);
  expectFlashHolds(image);
}

}  // namespace
}  // namespace tarnwick::faults
