// What the person watching sees: the pass line's figures, the redrawn line on
// a terminal, answers and repeated messages.
#include "flash/report/progress_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fake_clock.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;

TEST(ProgressReport, ThePassLineTakesItsPaceAfterTheFirstLineAndCountsTheVerifyPassInTheTimeLeft) {
  // 50 lines after the first in 10 s: 5 lines/s; 49 more, then 100 to verify: 30 s (rounded up).
  EXPECT_EQ(ProgressReport::passLine(Pass::Download, 51, 100, 10.0),
            "download 51/100 lines   51%  5 lines/s  0:30 left");
  EXPECT_EQ(ProgressReport::passLine(Pass::Verify, 9000, 9000, 89.99),
            "verify   9000/9000 lines  100%  100 lines/s  0:00 left");
  EXPECT_EQ(ProgressReport::passLine(Pass::Verify, 2, 9000, 0.001),
            "verify   2/9000 lines    0%  1000 lines/s  0:09 left");
  // Until a second line has gone out there is no pace to tell.
  EXPECT_EQ(ProgressReport::passLine(Pass::Download, 1, 7, 0.5),
            "download 1/7 lines   14%  - lines/s  -:-- left");
}

TEST(ProgressReport, OnATerminalOneLineIsRedrawnAndWipedBeforeAMessage) {
  FakeClock clock;
  std::ostringstream out;
  ProgressReport report(out, ProgressStyle::Terminal, false, clock);
  report.connecting("P");
  report.attempt(2);
  report.connected("P");
  EXPECT_EQ(out.str(),
            "\rconnecting to P"
            "\rconnecting to P  (attempt 2)"
            "\rconnected to P" +
                std::string(14, ' ') + std::string(14, '\b'));
  out.str("");
  report.passStarted(Pass::Download, 3);
  report.lineSent(1);
  clock.advance(10ms);
  report.lineSent(2);  // too soon after the last drawing: skipped
  report.lineSent(3);  // a pass's last line always shows
  const std::string drawn = out.str();
  EXPECT_EQ(drawn.find("2/3"), std::string::npos);
  EXPECT_NE(drawn.find("\rdownload 1/3 lines"), std::string::npos);
  EXPECT_NE(drawn.find("\rdownload 3/3 lines  100%  200 lines/s  0:01 left"), std::string::npos);

  out.str("");
  report.message("oops");
  const std::size_t width = std::string("download 3/3 lines  100%  200 lines/s  0:01 left").size();
  EXPECT_EQ(out.str(), "\r" + std::string(width, ' ') + "\rtarnwick-flash: oops\n");
}

TEST(ProgressReport, LinesStyleAnswersAndRepeatedMessages) {
  FakeClock clock;
  std::ostringstream out;
  ProgressReport report(out, ProgressStyle::Lines, true, clock);
  report.passStarted(Pass::Verify, 2);
  report.lineSent(1);  // single lines print nothing off a terminal
  report.answer("OK\r\n\x01\xE9\\");
  report.message("same");
  report.message("same");
  report.message("same");
  report.message("other");
  report.message("other");
  report.finish();
  EXPECT_EQ(out.str(),
            "verify pass: 2 lines\n"
            "board: OK\\r\\n\\x01\\xE9\\x5C\n"
            "tarnwick-flash: same\n"
            "tarnwick-flash: (the message above came 2 more times)\n"
            "tarnwick-flash: other\n"
            "tarnwick-flash: (the message above came 1 more time)\n");

  std::ostringstream quiet;
  ProgressReport silent(quiet, ProgressStyle::Quiet, false, clock);
  silent.connecting("P");
  silent.passStarted(Pass::Download, 2);
  silent.lineSent(2);
  silent.answer("OK");
  silent.verified();
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace tarnwick::flash
