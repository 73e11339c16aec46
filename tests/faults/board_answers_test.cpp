// Answers that stop or bend a run: "ERROR" and a new load, "FORMAT" in the
// middle, answers in lower case, and keywords cut in two by a pause.
#include "window_faults.h"

namespace tarnwick::faults {
namespace {

using namespace std::chrono_literals;

TEST_F(WindowFaults, ErrorAtALineStopsTheRunInRedAndANewLoadRunsToEnd) {
  const HexImage image = makeImage(12);
  start({"--fast", "--error-at", "5"});
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(runEndsWith("ERROR"));
  EXPECT_EQ(station->barColor(), kRed);
  EXPECT_EQ(station->barValue(), 5);
  const std::size_t sent = station->line().writes.size();
  watchWindow(*station, 1s);
  EXPECT_EQ(station->line().writes.size(), sent);  // it rests: nothing more goes out

  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(runEndsWith("END"));
  EXPECT_EQ(station->barColor(), kGreen);
  expectFlashHolds(image, 1);
}

TEST_F(WindowFaults, FormatMidRunEmptiesTheBarAndSendGoesOnToEnd) {
  const HexImage image = makeImage(12);
  start({"--fast", "--format-at", "4"});
  station->openFileAndDownload(writeImage(image));
  ASSERT_TRUE(waitFor([&] { return station->answer().find("FORMAT") == 0; }, kRunLimit));
  EXPECT_EQ(station->barText(), "");
  EXPECT_EQ(station->barValue(), 0);

  station->postClick("Command5");
  ASSERT_TRUE(runEndsWith("END"));
  expectFlashHolds(image);
}

TEST_F(WindowFaults, AnswersInLowerCaseSetNothingOffAndThePollingGoesOn) {
  start({"--fast", "--lower-case"});
  station->openFileAndDownload(writeImage(makeImage(4)));
  const long polls = station->line().writesOf("BOOTinfo\r\n");
  watchWindow(*station, 1500ms);
  EXPECT_EQ(station->answer(), "ver=2.1 simulated board\r\n");
  EXPECT_GE(station->line().writesOf("BOOTinfo\r\n") - polls, 2);
  EXPECT_EQ(station->barText(), "READY");
  EXPECT_EQ(station->stopBoard().records, 0);
}

// Each answer comes in two parts 100 ms apart: "VER=2.1 sim" still holds its
// keyword, "O" and "K" do not, so the run rests after its first line.
TEST_F(WindowFaults, AKeywordCutAcrossTwoReadsIsNotRecognised) {
  start({"--fast", "--split-answers"});
  station->openFileAndDownload(writeImage(makeImage(4)));
  ASSERT_TRUE(waitFor([&] { return station->barValue() == 1; }, kRunLimit));
  watchWindow(*station, 1s);
  EXPECT_EQ(station->answer(), "K\r\n");
  EXPECT_EQ(station->barValue(), 1);
  EXPECT_EQ(station->stopBoard().records, 1);
}

}  // namespace
}  // namespace tarnwick::faults
