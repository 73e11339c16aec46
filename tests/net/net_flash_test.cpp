// The flasher program reaching its board through the real ser2net on the
// loopback address: whole runs through both kinds of accepter, the bytes
// Telnet must escape, a server that goes away, and no server at all.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "support/board_sim.h"
#include "support/pty_pair.h"
#include "support/ser2net_server.h"

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

std::vector<std::string> flasher(std::vector<std::string> args) {
  args.insert(args.begin(), FLASH_PROGRAM);
  return args;
}

// Whether the flasher checks its image and has a switch to send lines as they stand.
bool flasherChecksImages() {
  ChildProcess help(flasher({"--help"}));
  return help.waitForExit(30s) && help.output().find("--no-check") != std::string::npos;
}

// The line settings of a pseudo-terminal as a board on it would feel them.
std::string lineSettingsOf(const std::string& ptyPath) {
  const int fd = ::open(ptyPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios tio{};
  const bool read = fd >= 0 && ::tcgetattr(fd, &tio) == 0;
  if (fd >= 0) ::close(fd);
  if (!read) return "unreadable";
  std::string text = ::cfgetospeed(&tio) == B115200 ? "115200 " : "not 115200 ";
  text += (tio.c_cflag & CSIZE) == CS8 ? "8" : "?";
  text += (tio.c_cflag & PARENB) ? "P" : "N";
  text += (tio.c_cflag & CSTOPB) ? "2" : "1";
  if (tio.c_cflag & CRTSCTS) text += " rtscts";
  if (tio.c_iflag & (IXON | IXOFF)) text += " xonxoff";
  return text;
}

int recordsSeen(const BoardSim& sim) {
  const std::string log = sim.log();
  int count = 0;
  for (auto at = log.find("<- BOOT:"); at != std::string::npos; at = log.find("<- BOOT:", at + 1)) {
    ++count;
  }
  return count;
}

class NetFlash : public ::testing::Test {
 protected:
  TempFolder files;
  const std::string hexFile = firmwareFile("avr_blink.hex");  // 140 lines

  // Paced as a board on a 115200-baud line, unless `fast`: its answers then
  // reach ser2net a byte at a time, as a real board's do.
  std::vector<std::string> board(bool fast) {
    std::vector<std::string> options{"--verbose", "--flash-out", files.file("flash.bin")};
    if (fast) options.push_back("--fast");
    return options;
  }
};

TEST_F(NetFlash, WholeRunsThroughBothAcceptersAreByteExactOnALineSetTo115200_8N1) {
  for (const Accepter accepter : {Accepter::Rfc2217, Accepter::RawTcp}) {
    BoardSim sim(board(false));
    // Served at other settings over Telnet, so that only the flasher's request
    // makes them right; and with ser2net's default wait after each byte there.
    const bool telnet = accepter == Accepter::Rfc2217;
    Ser2netServer server(sim.portPath(), accepter, telnet ? "9600n82,rtscts,xonxoff" : "115200n81",
                         telnet ? CharDelay::Ser2netDefault : CharDelay::Off);
    ASSERT_TRUE(server.listening()) << server.problem();
    SCOPED_TRACE(server.url());
    ChildProcess run(flasher({server.url(), hexFile}));
    ASSERT_TRUE(waitFor([&] { return recordsSeen(sim) > 0; }, 60s)) << sim.log();
    EXPECT_EQ(lineSettingsOf(sim.portPath()), "115200 8N1");
    ASSERT_TRUE(run.waitForExit(120s));
    EXPECT_EQ(run.exitCode(), 0) << run.errorOutput();
    const SimSummary summary = parseSummary(sim.stop());
    EXPECT_EQ(summary.records, 2 * 140);
    EXPECT_EQ(summary.errors, 0);
    EXPECT_EQ(flashDifference(files.file("flash.bin"), hexFile), "");
  }
}

// The board's side of a run, played on the pseudo-terminal: "VER=" to
// "BOOTinfo", "DOWNLOAD" to each line, until `lines` lines came. Gives them.
std::vector<std::string> playBoard(PtyPair& board, std::size_t lines) {
  std::vector<std::string> received;
  std::string pending;
  const auto deadline = Clock::now() + 60s;
  while (received.size() < lines && Clock::now() < deadline) {
    pending += board.receive(1, 100ms);
    for (auto end = pending.find("\r\n"); end != std::string::npos; end = pending.find("\r\n")) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 2);
      if (command == "BOOTinfo") {
        board.send("VER=1.0 test board\r\n");
      } else {
        received.push_back(command);
        board.send("DOWNLOAD\r\n");
      }
    }
  }
  return received;
}

TEST_F(NetFlash, BytesTelnetMustEscapeCrossRfc2217AsTheyStandBothWays) {
  PtyPair board;
  Ser2netServer server(board.slavePath(), Accepter::Rfc2217);
  ASSERT_TRUE(server.listening()) << server.problem();

  // Every byte value but CR, which ends a line in the file: 255 among them.
  std::string line;
  for (int value = 1; value <= 255; ++value) {
    if (value != '\r') line.push_back(static_cast<char>(value));
  }
  const std::string image = files.write("every_byte.hex", line + "\r\n");
  std::vector<std::string> args{server.url(), image};
  if (flasherChecksImages()) args.insert(args.begin(), "--no-check");
  ChildProcess run(flasher(args));
  std::string verifyLine = line;
  for (char& c : verifyLine) c = c == ':' ? '#' : c;
  EXPECT_EQ(playBoard(board, 2), (std::vector<std::string>{"BOOT" + line, "BOOT" + verifyLine}));
  ASSERT_TRUE(run.waitForExit(60s));
  EXPECT_EQ(run.exitCode(), 0) << run.errorOutput();

  // IAC IAC, IAC SE, SB and WILL as the board's own bytes in its answer.
  const std::string answer = "VER=\xff\xff 2.1 \xf0\xfa\xfb\xff board";
  ChildProcess info(flasher({"--info", server.url()}));
  EXPECT_EQ(board.receive(10, 30s), "BOOTinfo\r\n");
  board.send(answer + "\r\n");
  ASSERT_TRUE(info.waitForExit(60s));
  EXPECT_EQ(info.exitCode(), 0) << info.errorOutput();
  EXPECT_EQ(info.output(), answer + "\n");
}

TEST_F(NetFlash, AServerStoppedMidRunEndsItWith6WithinTheAnswerTimeOut) {
  for (const Accepter accepter : {Accepter::Rfc2217, Accepter::RawTcp}) {
    BoardSim sim(board(true));
    Ser2netServer server(sim.portPath(), accepter);
    ASSERT_TRUE(server.listening()) << server.problem();
    SCOPED_TRACE(server.url());
    ChildProcess run(flasher({"--answer-timeout", "5", server.url(), hexFile}));
    ASSERT_TRUE(waitFor([&] { return recordsSeen(sim) >= 10; }, 60s)) << sim.log();
    const auto stopped = Clock::now();
    server.stop();
    ASSERT_TRUE(run.waitForExit(60s));
    const std::chrono::duration<double> took = Clock::now() - stopped;
    EXPECT_EQ(run.exitCode(), 6) << run.errorOutput();
    EXPECT_LT(took.count(), 5.0);
    EXPECT_NE(run.errorOutput().find("tarnwick-flash: the device " + server.url() + " vanished"),
              std::string::npos)
        << run.errorOutput();
  }
}

TEST_F(NetFlash, APortWithNoServerGivesUpWith2AndSaysTheConnectionWasRefused) {
  const std::string url = "socket://127.0.0.1:" + std::to_string(freeLoopbackPort());
  const std::string image = files.write("one.hex", ":00000001FF\r\n");
  ChildProcess run(flasher({url, image}));
  ASSERT_TRUE(run.waitForExit(120s));
  EXPECT_EQ(run.exitCode(), 2) << run.errorOutput();
  EXPECT_GE(run.runTime().count(), 19.5);  // 199 ticks of 100 ms: refusals cost no more
  EXPECT_NE(run.errorOutput().find("could not open " + url), std::string::npos)
      << run.errorOutput();
  EXPECT_NE(run.errorOutput().find("attempts: Connection refused"), std::string::npos)
      << run.errorOutput();
}

}  // namespace
}  // namespace tarnwick::testing
