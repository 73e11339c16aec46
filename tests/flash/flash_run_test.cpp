// The flasher program against the board simulator on a pseudo-terminal:
// whole runs, each fault of the board or of the file mapped to its exit code,
// the command line's own errors, a stop by signal, and the progress on a
// terminal.
#include <gtest/gtest.h>

#include <signal.h>

#include <regex>
#include <thread>

#include "flash_program.h"
#include "support/board_sim.h"
#include "support/pty_pair.h"

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(FlashRun, AWholeRunReportsEachPhaseAndLeavesTheAvrSampleInFlash) {
  const std::string hexFile = firmwareFile("avr_blink.hex");
  BoardSim sim(board({}));
  const FlashResult run = flash({sim.portPath(), hexFile});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const std::string port = sim.portPath();
  const std::regex phases("connecting to " + port + "\nconnected to " + port +
                          "\nloaded .*: 140 lines; waiting for the board\n"
                          "download pass: 140 lines\nverify pass: 140 lines\n"
                          "verified 140 lines in [0-9.]+ s\n");
  EXPECT_TRUE(std::regex_match(run.err, phases)) << run.err;
  expectFlashHolds(sim, hexFile, 140);
}

TEST_F(FlashRun, QuietWithGoSaysNothingLeavesTheArmSampleAtItsAddressAndStartsItLast) {
  const std::string hexFile = firmwareFile("arm_blink.hex");
  BoardSim sim(board({}));
  const FlashResult run = flash({"--quiet", "--go", sim.portPath(), hexFile});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  expectFlashHolds(sim, hexFile, 180);
  const std::string log = sim.log();
  const auto lastCommand = log.rfind("<- ");
  ASSERT_NE(lastCommand, std::string::npos) << log;
  EXPECT_EQ(log.compare(lastCommand, 9, "<- BOOTg\n"), 0) << log;
}

TEST_F(FlashRun, AnErrorAnswerEndsWith4NamingTheLineAndItsPass) {
  BoardSim sim(board({}));
  // The spoiled checksum is the file's fault, found before anything is sent;
  // unchecked, the board finds it.
  FlashResult run = flash({sim.portPath(), firmwareFile("bad_checksum.hex")});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find(": line 10 has the checksum 0x54 where its bytes need 0x53"),
            std::string::npos)
      << run.err;
  run = flash({"--no-check", "--verbose", sim.portPath(), firmwareFile("bad_checksum.hex")});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.err.find("board: ERROR\\r\\n\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("tarnwick-flash: the board answered \"ERROR\" to line 10 of 140 in the "
                         "download pass: \":100090000100010001000200020002000200020054\"\n"),
            std::string::npos)
      << run.err;

  BoardSim failsToVerify(board({"--error-at", "7"}));  // the verify pass's second record
  run = flash({failsToVerify.portPath(), smallImage});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.err.find("to line 2 of 5 in the verify pass"), std::string::npos) << run.err;
}

TEST_F(FlashRun, ASilentBoardEndsWith5OnceTheTimeOutHasPassed) {
  BoardSim sim(board({"--silent"}));
  const FlashResult run = flash({"--answer-timeout", "1", sim.portPath(), smallImage});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_NE(run.err.find("while asking it for \"BOOTinfo\""), std::string::npos) << run.err;
  EXPECT_GE(run.seconds, 1.0);
  EXPECT_LT(run.seconds, 1.0 + 8.0);  // connecting, the last read, and a slow machine
}

TEST_F(FlashRun, AHangUpEndsWith6BeforeAnyTimeOut) {
  BoardSim sim(board({"--hangup-at", "3"}));
  const FlashResult run = flash({"--answer-timeout", "60", sim.portPath(), smallImage});
  EXPECT_EQ(run.exitCode, 6) << run.err;
  EXPECT_NE(run.err.find("tarnwick-flash: the device " + sim.portPath() +
                         " vanished (unplugged or hung up) in the download pass after line 3 "
                         "of 5\n"),
            std::string::npos)
      << run.err;
  EXPECT_LT(run.seconds, 30.0);
}

TEST_F(FlashRun, InfoPrintsTheAnswerToTheConnectionsOwnRequestOnly) {
  for (const char* fault : {"--fast", "--split-answers"}) {  // "--fast" twice changes nothing
    BoardSim sim(board({fault}));
    const FlashResult run = flash({"--info", sim.portPath()});
    EXPECT_EQ(run.exitCode, 0) << fault << run.err;
    EXPECT_EQ(run.out, "VER=2.1 simulated board\n") << fault;
    sim.stop();
    const std::string log = sim.log();
    const auto first = log.find("<- BOOTinfo");
    EXPECT_NE(first, std::string::npos) << fault << log;
    EXPECT_EQ(first, log.rfind("<- BOOTinfo")) << fault << log;
  }
}

TEST_F(FlashRun, AMissingPortGivesUpWith2AfterTheWindowsAttemptsSayingWhy) {
  const FlashResult run = flash({"--answer-timeout", "1", noSuchPort, smallImage});
  EXPECT_EQ(run.exitCode, 2);
  // 199 ticks of 100 ms; the answer time-out plays no part before a connection.
  EXPECT_GE(run.seconds, 19.5);
  EXPECT_LT(run.seconds, 19.9 + 30.0);
  const std::regex messages("connecting to " + noSuchPort +
                            "\n"
                            "tarnwick-flash: could not open " +
                            noSuchPort +
                            " in [0-9.]+ s of attempts: No such file or directory \\(no device "
                            "has this name now; --list shows the serial ports\\)\n");
  EXPECT_TRUE(std::regex_match(run.err, messages)) << run.err;
}

TEST_F(FlashRun, CommandLineAndFileErrorsEndBeforeAnyPortIsTried) {
  FlashResult run = flash({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("\nExit status:\n"), std::string::npos) << run.out;

  run = flash({"--bogus", noSuchPort, "x.hex"});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_EQ(run.err, "tarnwick-flash: unknown option '--bogus'\nTry 'tarnwick-flash --help'.\n");

  const std::string missing = files.file("missing.hex");
  run = flash({noSuchPort, missing});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err,
            "tarnwick-flash: cannot load " + missing + ": error 2: No such file or directory\n");

  std::string tooLong;
  for (int i = 0; i < 1'000'001; ++i) tooLong += "\r\n";
  const std::string overlong = files.write("overlong.hex", tooLong);
  run = flash({noSuchPort, overlong});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err, "tarnwick-flash: cannot load " + overlong +
                         ": error 9: The file has more than 1000000 lines; at most 1000000 lines "
                         "can be loaded.\n");
  EXPECT_LT(run.seconds, 10.0);  // no attempts at the port
}

// Two samples joined into one file, as a boot loader and its application are
// often shipped: an end-of-file record in the middle.
TEST_F(FlashRun, AJoinedFileIsRefusedAndUncheckedEndsWith8WhereTheBoardEndedThePass) {
  const std::string joined = files.write("joined.hex", readFile(firmwareFile("avr_blink.hex")) +
                                                           readFile(firmwareFile("arm_blink.hex")));
  FlashResult run = flash({noSuchPort, joined});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("line 141 follows the end-of-file record on line 140"), std::string::npos)
      << run.err;
  EXPECT_LT(run.seconds, 10.0);  // no attempts at the port

  BoardSim sim(board({}));
  run = flash({"--no-check", sim.portPath(), joined});
  EXPECT_EQ(run.exitCode, 8);
  EXPECT_NE(run.err.find("tarnwick-flash: the board ended the download pass after line 140 of "
                         "320\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(parseSummary(sim.stop()).records, 140);  // nothing went out after it
}

TEST_F(FlashRun, ABoardThatAnswersOkToTheEndOfFileRecordEndsWith8AfterOnePass) {
  BoardSim sim(board({"--ok-to-eof"}));
  const FlashResult run = flash({sim.portPath(), smallImage});
  EXPECT_EQ(run.exitCode, 8);
  EXPECT_NE(run.err.find("the board answered \"OK\" to line 5 of 5, the last of the download "
                         "pass, where \"DOWNLOAD\" ends it"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(parseSummary(sim.stop()).records, 5);  // no second round of the same pass
}

TEST_F(FlashRun, SigtermEndsARunWith130SayingWhereItStoodAndReleasesThePort) {
  BoardSim sim({"--write-delay", "20"});  // paced: about 25 lines a second
  ChildProcess flasher({FLASH_PROGRAM, sim.portPath(), firmwareFile("arm_blink.hex")});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (flasher.errorOutput().find("download pass:") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  flasher.signal(SIGTERM);
  ASSERT_TRUE(flasher.waitForExit(10s));
  EXPECT_EQ(flasher.exitCode(), 130);  // a process killed by SIGTERM gives 143
  const std::regex stood(
      "tarnwick-flash: interrupted in the download pass after line [0-9]+ of "
      "180\n$");
  EXPECT_TRUE(std::regex_search(flasher.errorOutput(), stood)) << flasher.errorOutput();
  EXPECT_EQ(flash({"--info", sim.portPath()}).exitCode, 0);  // the port opens again at once
}

// A closed terminal or ssh session: the report still reaches the file it was sent to.
TEST_F(FlashRun, SighupEndsARunAsSigtermDoesWithItsJsonReport) {
  BoardSim sim({"--write-delay", "20"});
  ChildProcess flasher({FLASH_PROGRAM, "--json", sim.portPath(), firmwareFile("arm_blink.hex")});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (flasher.errorOutput().find("download pass:") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  flasher.signal(SIGHUP);
  ASSERT_TRUE(flasher.waitForExit(10s));
  EXPECT_EQ(flasher.exitCode(), 130);  // a process killed by SIGHUP gives 129
  EXPECT_NE(flasher.errorOutput().find("tarnwick-flash: interrupted in the download pass"),
            std::string::npos)
      << flasher.errorOutput();
  EXPECT_NE(flasher.output().find("\"outcome\": \"interrupted\""), std::string::npos)
      << flasher.output();
}

TEST_F(FlashRun, OnATerminalTheProgressIsOneLineRedrawnInPlace) {
  PtyPair terminal;
  BoardSim sim(board({}));
  const FlashResult run = flash({sim.portPath(), smallImage}, terminal.slavePath());
  EXPECT_EQ(run.exitCode, 0);
  const std::string shown = terminal.receiveUntilQuiet(200ms, 5s);
  EXPECT_NE(shown.find("\rdownload 5/5 lines  100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\rverify   5/5 lines  100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("lines/s"), std::string::npos);
  EXPECT_NE(shown.find("\rverified 5 lines in "), std::string::npos);
  EXPECT_EQ(shown.find('\n'), shown.size() - 1) << shown;  // the last line ends once
}

}  // namespace
}  // namespace tarnwick::testing
