// The simulator's USB serial bridges, in-process on a pseudo-terminal, on the
// bridge's own clock: when the board's bytes reach the host, and in what
// pieces. No real time is measured: every instant is given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "board_port.h"
#include "bridge.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using Clock = Bridge::Clock;

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    port = BoardPort::openPseudoTerminal(error);
    ASSERT_TRUE(port) << error;
    host = open(port->path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(host, 0);
  }
  void TearDown() override {
    if (host >= 0) close(host);
  }

  // What the host can read now; bytes handed over arrive within a generous wait.
  std::string hostReads(std::size_t expected) {
    std::string bytes;
    char buffer[512];
    while (bytes.size() < expected) {
      pollfd watch{host, POLLIN, 0};
      if (poll(&watch, 1, 5000) <= 0) break;
      const ssize_t count = read(host, buffer, sizeof buffer);
      if (count <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
  }

  std::unique_ptr<BoardPort> port;
  int host = -1;
  const Clock::time_point start = Clock::now();
};

TEST_F(BridgeTest, FtdiHoldsAnAnswerUntilItsTimerFiresAndSendsAFullPacketAtOnce) {
  Bridge bridge({Adapter::kFtdi, 16ms}, start);
  bridge.attach(*port);
  ASSERT_TRUE(bridge.take("OK\r\n", start + 3ms));
  EXPECT_TRUE(bridge.holding());
  EXPECT_EQ(bridge.nextDue(), start + 16ms);  // the timer's rhythm, not 16 ms after the answer
  bridge.deliverDue(start + 15ms);
  EXPECT_TRUE(bridge.holding());
  bridge.deliverDue(start + 16ms);
  EXPECT_FALSE(bridge.holding());
  EXPECT_EQ(hostReads(4), "OK\r\n");

  // 100 bytes: one packet of 62 goes at once, the 38 left wait for the next tick.
  const std::string burst(100, '.');
  ASSERT_TRUE(bridge.take(burst, start + 20ms));
  EXPECT_EQ(hostReads(62), burst.substr(0, 62));
  EXPECT_EQ(bridge.nextDue(), start + 32ms);
  bridge.deliverDue(start + 33ms);
  EXPECT_EQ(hostReads(38), burst.substr(62));
  EXPECT_EQ(bridge.nextDue(), Clock::time_point::max());
}

TEST_F(BridgeTest, CdcAcmHandsAllItHoldsOverAtTheNextFrame) {
  Bridge bridge({Adapter::kCdcAcm, 16ms}, start);  // no latency timer: --latency plays no part
  bridge.attach(*port);
  ASSERT_TRUE(bridge.take("OK\r\n", start + 2ms + 300us));
  EXPECT_EQ(bridge.nextDue(), start + 3ms);
  const std::string burst(100, '.');
  ASSERT_TRUE(bridge.take(burst, start + 2ms + 900us));
  EXPECT_TRUE(bridge.holding());
  bridge.deliverDue(start + 3ms);
  EXPECT_FALSE(bridge.holding());
  EXPECT_EQ(hostReads(104), "OK\r\n" + burst);
}

}  // namespace
}  // namespace boardsim
