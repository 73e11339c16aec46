// Whole runs of the flasher in-process: the window's handlers over a scripted
// board, on a fake clock, so that counts and time-outs are exact.
#include "flash/session/flash_session.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fake_clock.h"
#include "flash/report/exit_codes.h"
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
  int run(PortLister listPorts = serial::listSerialPorts) {
    ProgressReport progress(err, ProgressStyle::Lines, options.verbose, clock);
    FlashSession session(options, board, progress, out, clock, processStopRequest, listPorts);
    if (image) session.useImage(image);
    const int exitCode = session.run();
    outcome = session.outcome();
    return exitCode;
  }
  FlashOutcome outcome;
  std::shared_ptr<const HexImage> image;  // read before the run, as the station does
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
                "verified 3 lines in 0.2 s\nsent \"BOOTg\": the program starts\n");
}

TEST_F(SessionFixture, TheBoardGetsTheImageReadAtTheStartThoughTheFileChangesMeanwhile) {
  // The station records the image's hash once; the board must get those bytes.
  image = loadHexImage(options.hexFile, true, kFlasherLimits.maxLines).image;
  ASSERT_TRUE(image);
  files.write("image.hex", ":0400000005060708D6\r\n:00000001FF\r\n");
  EXPECT_EQ(run(), kExitVerified);
  EXPECT_EQ(commands().at(2), "BOOT:0400000001020304F2");
  EXPECT_EQ(outcome.lines, 3);
}

// A read that ends at a line end returns within about a millisecond of it:
// a 20 ms receive tick would then set the pace of every exchange.
TEST_F(SessionFixture, TheReceiveTickFollowsTheAnswerEnd) {
  EXPECT_EQ(run(), kExitVerified);
  const long long atLineEnds = clock.elapsedMs();
  FakeClock windowClock;
  options.answerEnd = serial::AnswerEnd::Quiet;
  ProgressReport progress(err, ProgressStyle::Lines, false, windowClock);
  FlashSession session(options, board, progress, out, windowClock, processStopRequest);
  EXPECT_EQ(session.run(), kExitVerified);
  // Seven exchanges, each waiting up to one tick for its turn: 1 ms against 20 ms.
  EXPECT_GE(windowClock.elapsedMs() - atLineEnds, 7 * 15) << atLineEnds;
  EXPECT_EQ(outcome.answerEnd, "line");
  EXPECT_EQ(session.outcome().answerEnd, "quiet");
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

// The handlers send nothing after "FORMAT": no time-out to wait, no "no answer" to report.
TEST_F(SessionFixture, AFormatAnswerEndsTheRunAtOnceWith9NamingWhereItStood) {
  board.formatAt = 2;
  options.answerTimeout = 60s;
  EXPECT_EQ(run(), kExitBoardFormat);
  EXPECT_EQ(commands().back(), "BOOT:0400000001020304F2");
  EXPECT_LT(clock.elapsedMs(), 1000);
  EXPECT_EQ(outcome.message,
            "the board answered \"FORMAT\" in the download pass after line 2 of 3; nothing more "
            "is sent");
  EXPECT_EQ(board.openDevices, 0);
}

// A boot banner, or the "STARTING APPLICATION" of the last run's "BOOTg".
TEST_F(SessionFixture, BytesThatWaitedBeforeTheFirstCommandAreNoAnswerToIt) {
  board.reads = {"STARTING APPLICATION AT 0x00000000\r\n", "VER=0.9 boot banner\r\n"};
  options.info = true;
  EXPECT_EQ(run(), kExitVerified);
  EXPECT_EQ(out.str(), "VER=1.0 scripted\n");
  EXPECT_EQ(outcome.boardInfo, "VER=1.0 scripted\r\n");
  EXPECT_EQ(board.timeouts.read.perByte, 1ms);  // the port's own time-outs are back
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
            "tarnwick-flash: could not open COM5: in 19.9 s of attempts\n");
  // The window's box, which speaks of the window's settings, only when asked for.
  options.verbose = true;
  err.str("");
  EXPECT_EQ(run(), kExitPortUnavailable);
  EXPECT_NE(err.str().find("COM5: Not available! Use Serial settings to setup your ports.\n"),
            std::string::npos)
      << err.str();
}

// Boards of one kind: the same vendor and product id, each its own serial number.
serial::PortDescription unoBoard(const std::string& device, const std::string& serialNumber) {
  return serial::PortDescription{
      device, device, serial::UsbPortIdentity{0x2341, 0x0043, "", "", serialNumber, 0, "1-2"}};
}

TEST_F(SessionFixture, ABoardNameIsLookedUpAtEachAttemptSoABoardPluggedInLateIsFound) {
  options.port = "usb:2341:0043";
  int lookUps = 0;
  board.deviceExists = false;
  const auto pluggedInAtTheFifth = [&] {
    board.deviceExists = ++lookUps >= 5;
    return board.deviceExists ? std::vector<serial::PortDescription>{unoBoard("COM7:", "A1")}
                              : std::vector<serial::PortDescription>{};
  };
  EXPECT_EQ(run(pluggedInAtTheFifth), kExitVerified) << err.str();
  EXPECT_EQ(lookUps, 5);
  // Until the board is there only the empty name, which no system opens, goes
  // to the port layer: the board name itself could be a file's.
  EXPECT_EQ(board.openedNames, (std::vector<std::string>{"", "", "", "", "COM7:"}));
  EXPECT_EQ(outcome.device, "COM7:");
  EXPECT_NE(err.str().find("connected to COM7: (usb:2341:0043)\n"), std::string::npos) << err.str();
}

TEST_F(SessionFixture, ABoardNameWithTwoMatchesEndsAtTheFirstAttemptWith7NamingBoth) {
  options.port = "usb:2341:0043";
  board.deviceExists = false;  // as for the empty name on every system
  EXPECT_EQ(run([] {
              return std::vector<serial::PortDescription>{unoBoard("COM7:", "A1"),
                                                          unoBoard("COM8:", "B2")};
            }),
            kExitSeveralBoards);
  EXPECT_EQ(clock.elapsedMs(), 100);
  EXPECT_EQ(board.count("open COM7:") + board.count("open COM8:"), 0);
  EXPECT_NE(err.str().find("usb:2341:0043 matches 2 ports"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("\nCOM8:  2341:0043  serial:B2"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tarnwick::flash
