// A board that stops answering, for good or now and then: the run rests, the
// window stays calm, and Info or Send set it going again.
#include "window_faults.h"

namespace tarnwick::faults {
namespace {

using namespace std::chrono_literals;

TEST_F(WindowFaults, BoardSilentAfterItsVersionRestsTheRunUntilSendIsPressed) {
  const HexImage image = makeImage(10);
  start({"--fast", "--silent-from", "1"});
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(waitFor([&] { return station->barValue() == 1; }, kRunLimit));

  expectCalm(1500ms);
  EXPECT_EQ(station->barValue(), 1);
  EXPECT_EQ(station->barText(), "DOWNLOAD");
  EXPECT_EQ(station->status(), "Ready");

  station->postClick("Command5");  // Send: the next line goes out by hand
  EXPECT_TRUE(waitFor([&] { return station->barValue() == 2; }, 2s));
  EXPECT_EQ(station->line().writes.back(), "BOOT" + image.lines[1] + "\r\n");
}

// Every 50th answer is lost. A person who sees the bar stand still presses
// Info or Send (taking turns here); the run goes on and ends, and the board's
// flash holds the whole image.
TEST_F(WindowFaults, DroppedAnswersRestTheRunAndInfoOrSendResumeItToEnd) {
  const HexImage image = makeImage(120);
  start({"--fast", "--drop-every", "50"});
  station->openFileAndDownload(writeImage(image));

  int nudges = 0;
  const auto started = std::chrono::steady_clock::now();
  while (station->barText() != "END" && std::chrono::steady_clock::now() - started < kRunLimit) {
    const int value = station->barValue();
    const std::string text = station->barText();
    const bool moved =
        waitFor([&] { return station->barValue() != value || station->barText() != text; }, 800ms);
    if (moved || station->barText() == "END") continue;
    station->postClick(nudges++ % 2 == 0 ? "Command4" : "Command5");
  }
  EXPECT_EQ(station->barText(), "END");
  EXPECT_GE(nudges, 2);
  expectFlashHolds(image);
}

}  // namespace
}  // namespace tarnwick::faults
