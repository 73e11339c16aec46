// The flasher program against the board simulator on a pseudo-terminal:
// whole runs, each fault of the board mapped to its exit code, the command
// line's own errors, and the progress on a terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "child_process.h"
#include "support/pty_pair.h"

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;

const std::string kFirmware = FIRMWARE_DIR;
// Generous bounds: a loaded two-core machine is slow, not wrong.
constexpr auto kRunLimit = 120s;

// The first records of the ARM sample and the end record: a five-line image.
const char kSmallImage[] =
    ":020000040800F2\r\n"
    ":1000000000500020C100000805010008050100089B\r\n"
    ":1000100005010008050100080501000805010008A8\r\n"
    ":1000200005010008000000000000000000000000C2\r\n"
    ":00000001FF\r\n";

// A path of this test program's own (ctest runs several at once), removed
// when the tests end, with the ".base" file the simulator writes beside a dump.
std::string tempPath(const std::string& name) {
  static std::vector<std::string> paths;
  struct Cleanup : ::testing::Environment {
    void TearDown() override {
      for (const auto& path : paths) {
        std::remove(path.c_str());
        std::remove((path + ".base").c_str());
      }
    }
  };
  if (paths.empty()) ::testing::AddGlobalTestEnvironment(new Cleanup);
  paths.push_back(::testing::TempDir() + "flash_e2e_" + std::to_string(getpid()) + "_" + name);
  return paths.back();
}

std::string writeFile(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The board simulator in the background, on a new pseudo-terminal.
class Board {
 public:
  explicit Board(std::vector<std::string> faults)
      : dump_(tempPath("dump_" + std::to_string(counter_++) + ".bin")),
        process_(arguments(faults, dump_)) {
    port_ = process_.firstLine(10s);
  }
  const std::string& port() const { return port_; }
  // Stops it (its flash is written then) and returns its log of commands.
  std::string stop() {
    process_.signal(SIGTERM);
    EXPECT_TRUE(process_.waitForExit(10s));
    return process_.errorOutput();
  }
  std::string summary() const { return process_.output(); }
  std::string flash() const { return readWholeFile(dump_); }

 private:
  static std::vector<std::string> arguments(std::vector<std::string> faults,
                                            const std::string& dump) {
    std::vector<std::string> args{BOARDSIM_PROGRAM, "--fast", "--verbose", "--flash-out", dump};
    args.insert(args.end(), faults.begin(), faults.end());
    return args;
  }

  static inline int counter_ = 0;
  std::string dump_;
  ChildProcess process_;
  std::string port_;
};

// Runs the flasher to its end.
struct FlashResult {
  int exitCode;
  std::string out, err;
  double seconds;
};

FlashResult flash(std::vector<std::string> args, const std::string& stderrPath = {}) {
  args.insert(args.begin(), FLASH_PROGRAM);
  ChildProcess flasher(args, stderrPath);
  EXPECT_TRUE(flasher.waitForExit(kRunLimit)) << "the flasher did not end";
  return FlashResult{flasher.exitCode(), flasher.output(), flasher.errorOutput(),
                     flasher.runTime().count()};
}

// srec_cat's image of a HEX file from its lowest address, as the board's flash should hold it.
std::string referenceImage(const std::string& hexFile) {
  const std::string out = tempPath("reference.bin");
  const std::string command = std::string(SREC_CAT_PROGRAM) + " '" + hexFile +
                              "' -Intel -offset - -minimum-addr '" + hexFile + "' -Intel -o '" +
                              out + "' -Binary";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return readWholeFile(out);
}

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A whole run of a sample file: exit 0, each phase reported, and the board's
// flash equal to srec_cat's reading of the file.
void checkFullRun(const std::string& name, int lineCount) {
  if (std::string(SREC_CAT_PROGRAM).empty()) GTEST_SKIP() << "srec_cat (package srecord) missing";
  const std::string hexFile = kFirmware + "/" + name;
  const std::string lines = std::to_string(lineCount);
  Board board({});
  const FlashResult run = flash({board.port(), hexFile});
  board.stop();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const std::regex phases("connecting to " + board.port() + "\nconnected to " + board.port() +
                          "\nloaded .*: " + lines +
                          " lines; waiting for the board\n"
                          "download pass: " +
                          lines + " lines\nverify pass: " + lines + " lines\nverified " + lines +
                          " lines in [0-9.]+ s\n");
  EXPECT_TRUE(std::regex_match(run.err, phases)) << run.err;
  EXPECT_EQ(board.flash(), referenceImage(hexFile));
  EXPECT_NE(board.summary().find("errors=0"), std::string::npos) << board.summary();
}

TEST(FlashRun, AWholeRunLeavesTheAvrSampleInTheBoardsFlash) {
  checkFullRun("avr_blink.hex", 140);
}

TEST(FlashRun, AWholeRunLeavesTheArmSampleAtItsLinearAddressInTheBoardsFlash) {
  checkFullRun("arm_blink.hex", 180);
}

TEST(FlashRun, QuietWithGoSaysNothingAndStartsTheProgramLast) {
  Board board({});
  const FlashResult run =
      flash({"--quiet", "--go", board.port(), writeFile("small.hex", kSmallImage)});
  const std::string log = board.stop();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  const auto lastCommand = log.rfind("<- ");
  ASSERT_NE(lastCommand, std::string::npos) << log;
  EXPECT_EQ(log.substr(lastCommand, log.find('\n', lastCommand) - lastCommand), "<- BOOTg");
  EXPECT_EQ(countOf(log, "<- BOOT#"), 5);
}

TEST(FlashRun, AnErrorAnswerEndsWith4NamingTheLineAndItsPass) {
  {
    Board board({});
    const FlashResult run = flash({"--verbose", board.port(), kFirmware + "/bad_checksum.hex"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("board: ERROR\\r\\n\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("tarnwick-flash: the board answered \"ERROR\" to line 10 of 140 in the "
                           "download pass: \":100090000100010001000200020002000200020054\"\n"),
              std::string::npos)
        << run.err;
    board.stop();
  }
  Board board({"--error-at", "7"});  // the verify pass's second record
  const FlashResult run = flash({board.port(), writeFile("small.hex", kSmallImage)});
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.err.find("to line 2 of 5 in the verify pass"), std::string::npos) << run.err;
  board.stop();
}

TEST(FlashRun, ASilentBoardEndsWith5OnceTheTimeOutHasPassed) {
  const std::string image = writeFile("small.hex", kSmallImage);
  {
    Board board({"--silent"});
    const FlashResult run = flash({"--answer-timeout", "1", board.port(), image});
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("while asking it for \"BOOTinfo\""), std::string::npos) << run.err;
    EXPECT_GE(run.seconds, 1.0);
    EXPECT_LT(run.seconds, 1.0 + 8.0);  // connecting, the last read, and a slow machine
    board.stop();
  }
  Board board({"--silent-from", "3"});
  const FlashResult run = flash({"--answer-timeout", "0.5", board.port(), image});
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_NE(run.err.find("no answer from the board for 0."), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("in the download pass, after line 3 of 5"), std::string::npos);
  board.stop();
}

TEST(FlashRun, AHangUpEndsWith6BeforeAnyTimeOut) {
  Board board({"--hangup-at", "3"});
  const FlashResult run =
      flash({"--answer-timeout", "60", board.port(), writeFile("small.hex", kSmallImage)});
  EXPECT_EQ(run.exitCode, 6) << run.err;
  EXPECT_NE(run.err.find("tarnwick-flash: the device " + board.port() +
                         " vanished (unplugged or hung up) in the download pass, after line 3 "
                         "of 5\n"),
            std::string::npos)
      << run.err;
  EXPECT_LT(run.seconds, 30.0);
}

TEST(FlashRun, InfoPrintsTheAnswerToTheConnectionsOwnRequestOnly) {
  for (const char* fault : {"--fast", "--split-answers"}) {  // "--fast" twice changes nothing
    Board board({fault});
    const FlashResult run = flash({"--info", board.port()});
    const std::string log = board.stop();
    EXPECT_EQ(run.exitCode, 0) << fault << run.err;
    EXPECT_EQ(run.out, "VER=2.1 simulated board\n") << fault;
    EXPECT_EQ(countOf(log, "<- BOOTinfo"), 1) << fault << log;
  }
}

TEST(FlashRun, AMissingPortGivesUpWith2AfterTheWindowsAttempts) {
  const std::string port = tempPath("no_such_port");
  const FlashResult run =
      flash({"--answer-timeout", "1", port, writeFile("small.hex", kSmallImage)});
  EXPECT_EQ(run.exitCode, 2);
  // 199 ticks of 100 ms; the answer time-out plays no part before a connection.
  EXPECT_GE(run.seconds, 19.5);
  EXPECT_LT(run.seconds, 19.9 + 30.0);
  const std::regex messages("connecting to " + port +
                            "\n"
                            "tarnwick-flash: " +
                            port +
                            " Not available! Use Serial settings to "
                            "setup your ports.\n"
                            "tarnwick-flash: could not open " +
                            port +
                            " in [0-9.]+ s of "
                            "attempts\n");
  EXPECT_TRUE(std::regex_match(run.err, messages)) << run.err;
}

TEST(FlashRun, CommandLineAndFileErrorsEndBeforeAnyPortIsTried) {
  const std::string port = tempPath("no_such_port");
  FlashResult run = flash({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("  64  the command line was wrong\n"), std::string::npos) << run.out;

  run = flash({"--bogus", port, "x.hex"});
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_EQ(run.err, "tarnwick-flash: unknown option '--bogus'\nTry 'tarnwick-flash --help'.\n");

  const std::string missing = tempPath("missing.hex");
  run = flash({port, missing});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err,
            "tarnwick-flash: cannot load " + missing + ": error 2: No such file or directory\n");

  std::string tooLong;
  for (int i = 0; i < 9001; ++i) tooLong += ":00000001FF\r\n";
  const std::string overlong = writeFile("overlong.hex", tooLong);
  run = flash({port, overlong});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err, "tarnwick-flash: cannot load " + overlong +
                         ": error 9: The file has more than 9000 lines; at most 9000 lines can "
                         "be loaded.\n");
  EXPECT_LT(run.seconds, 10.0);  // no attempts at the port
}

TEST(FlashRun, OnATerminalTheProgressIsOneLineRedrawnInPlace) {
  PtyPair terminal;
  Board board({});
  const FlashResult run =
      flash({board.port(), writeFile("small.hex", kSmallImage)}, terminal.slavePath());
  board.stop();
  EXPECT_EQ(run.exitCode, 0);
  const std::string shown = terminal.receiveUntilQuiet(200ms, 5s);
  EXPECT_NE(shown.find("\rdownload 5/5 lines  100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\rverify   5/5 lines  100%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("lines/s"), std::string::npos);
  EXPECT_NE(shown.find("\rverified 5 lines in "), std::string::npos);
  EXPECT_EQ(countOf(shown, "\n"), 1) << shown;  // the last line ends once
}

}  // namespace
}  // namespace tarnwick::testing
