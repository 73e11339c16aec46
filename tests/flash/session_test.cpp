// Whole runs of the flasher in-process: the window's handlers over a scripted
// board, on a fake clock, so that counts and time-outs are exact.
#include "flash/flash_session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fake_clock.h"
#include "flash/exit_codes.h"
#include "scripted_board.h"
#include "support/temp_folder.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::ScriptedBoard;

struct SessionFixture : ::testing::Test {
  testing::TempFolder files;
  FakeClock clock;
  ScriptedBoard board;
  FlashOptions options;
  std::ostringstream err, out;

  SessionFixture() {
    options.port = "COM5:";
    options.hexFile =
        files.write("image.hex", ":020000040000FA\r\n:0400000001020304F2\r\n:00000001FF\r\n");
    options.answerTimeout = 1s;
  }
  int run() {
    ProgressReport progress(err, ProgressStyle::Lines, options.verbose, clock);
    FlashSession session(options, board, progress, out, clock);
    return session.run();
  }
  std::vector<std::string> commands() const {
    std::vector<std::string> sent;
    for (const auto& w : board.writes) sent.push_back(w.substr(0, w.size() - 2));
    return sent;
  }
};

TEST_F(SessionFixture, AVerifiedRunSendsBothPassesThenStartsTheProgramAndClosesThePort) {
  options.go = true;
  EXPECT_EQ(run(), kExitVerified);
  EXPECT_EQ(commands(),
            (std::vector<std::string>{"BOOTinfo", "BOOT:020000040000FA", "BOOT:0400000001020304F2",
                                      "BOOT:00000001FF", "BOOT#020000040000FA",
                                      "BOOT#0400000001020304F2", "BOOT#00000001FF", "BOOTg"}));
  EXPECT_EQ(board.openDevices, 0);
  EXPECT_EQ(err.str(),
            "connecting to COM5:\nconnected to COM5:\nloaded " + options.hexFile +
                ": 3 lines; waiting for the board\ndownload pass: 3 lines\nverify pass: 3 lines\n"
                "verified 3 lines in 0.3 s\nsent \"BOOTg\": the program starts\n");
}

TEST_F(SessionFixture, SilenceEndsTheRunOneTimeOutAfterTheLastAnswer) {
  board.silentFrom = 3;
  options.verbose = true;
  EXPECT_EQ(run(), kExitNoAnswer);
  // The last answer was the "OK" to line 2; the silence is measured from it.
  EXPECT_NE(err.str().find("board: OK\\r\\n\n"), std::string::npos);
  EXPECT_NE(err.str().find("tarnwick-flash: no answer from the board for 1.0 s in the download "
                           "pass after line 3 of 3; its last answer was \"OK\\r\\n\"\n"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(board.openDevices, 0);
}

TEST_F(SessionFixture, ABoardThatNeverAnswersEndsWhilePolledForItsInfo) {
  board.answersInfo = false;
  options.answerTimeout = 1100ms;
  EXPECT_EQ(run(), kExitNoAnswer);
  // The connection's own request, then Timer2's every 500 ms within the time-out.
  EXPECT_EQ(board.infoRequests, 3);
  EXPECT_NE(err.str().find("no answer from the board for 1.1 s while asking it for \"BOOTinfo\" "
                           "before the first line\n"),
            std::string::npos)
      << err.str();
}

TEST_F(SessionFixture, ADeviceThatOnlyEchoesIsNoBoardAndTimesOutToo) {
  // Each "BOOTinfo" comes back every 500 ms, but no answer the run could act on.
  board.echoes = true;
  EXPECT_EQ(run(), kExitNoAnswer);
  EXPECT_NE(err.str().find("no answer from the board for 1.0 s while asking it for \"BOOTinfo\" "
                           "before the first line; its last answer was \"BOOTinfo\\r\\n\"\n"),
            std::string::npos)
      << err.str();
}

TEST_F(SessionFixture, AFormatAnswerIsReportedAndTheRestingRunEndsAtTheTimeOut) {
  board.formatAt = 2;
  EXPECT_EQ(run(), kExitNoAnswer);
  EXPECT_EQ(commands().back(), "BOOT:0400000001020304F2");
  EXPECT_NE(err.str().find("the board answered \"FORMAT\" in the download pass after line 2 of "
                           "3; nothing more is sent\n"),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("after line 2 of 3; its last answer was \"FORMAT\\r\\n\"\n"),
            std::string::npos);
}

TEST_F(SessionFixture, APortThatNeverOpensGivesUpAfterTheWindowsCountWithItsMessages) {
  // Every attempt opens a device that is no terminal: the port layer's message
  // each time, shown once with its count, then the give-up.
  board.failTimeouts = true;
  board.errorNumber = 25;
  EXPECT_EQ(run(), kExitPortUnavailable);
  EXPECT_EQ(board.count("open"), 198);
  EXPECT_EQ(clock.elapsedMs(), 19900);
  EXPECT_EQ(err.str(),
            "connecting to COM5:\n"
            "tarnwick-flash: Unable to set timeouts for port COM5: Error: 25\n"
            "tarnwick-flash: (the message above came 197 more times)\n"
            "tarnwick-flash: COM5: Not available! Use Serial settings to setup your ports.\n"
            "tarnwick-flash: could not open COM5: in 19.9 s of attempts\n");
}

}  // namespace
}  // namespace tarnwick::flash
