// The serial link over the network platform, through the real ser2net on the
// loopback address, with the test playing the board on a pseudo-terminal.
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "serial/answer_framing.h"
#include "serial/net/serial_platform_net.h"
#include "serial/serial_port.h"
#include "serial/serial_test_util.h"
#include "support/pty_pair.h"
#include "support/ser2net_server.h"

namespace tarnwick::testing {
namespace {

using namespace std::chrono_literals;
using serial::NetworkSerialPlatform;
using serial::SerialPort;

// 600 bytes, every third one 255: the byte Telnet doubles on the wire.
std::string escapeHeavyBurst() {
  std::string bytes;
  for (int i = 0; i < 600; ++i) bytes.push_back(static_cast<char>(i % 3 == 0 ? 0xFF : i % 256));
  return bytes;
}

TEST(NetworkLink, PiecesOf255LineBytesCrossBothWaysWhateverTheWireTook) {
  for (const Accepter accepter : {Accepter::Rfc2217, Accepter::RawTcp}) {
    PtyPair board;
    Ser2netServer server(board.slavePath(), accepter);
    ASSERT_TRUE(server.listening()) << server.problem();
    SCOPED_TRACE(server.url());
    NetworkSerialPlatform platform;
    std::vector<std::string> messages;
    SerialPort port(platform, [&](const std::string& m) { messages.push_back(m); });
    ASSERT_EQ(port.OpenPort(widened(server.url()), kSettings), serial::kPortTrue);

    const std::string burst = escapeHeavyBurst();
    board.send(burst);
    std::this_thread::sleep_for(500ms);  // all of it on our side before the first read
    std::vector<std::size_t> pieces;
    std::string read;
    for (int i = 0; i < 3; ++i) {
      const std::string piece = port.ReadPort();
      pieces.push_back(piece.size());
      read += piece;
    }
    EXPECT_EQ(pieces, (std::vector<std::size_t>{255, 255, 90}));
    EXPECT_EQ(read, burst);

    port.WritePort(burst);
    EXPECT_EQ(board.receive(burst.size(), 10s), burst);
    EXPECT_TRUE(messages.empty());
    port.ClosePort();
  }
}

// ser2net passes on what the board sends as it comes: a board's stall is the network port's.
TEST(NetworkLink, AnAnswerEndsAtItsLineEndAndInsideALineOnlyAtTheGap) {
  for (const Accepter accepter : {Accepter::RawTcp, Accepter::Rfc2217}) {
    PtyPair board;
    Ser2netServer server(board.slavePath(), accepter);
    ASSERT_TRUE(server.listening()) << server.problem();
    SCOPED_TRACE(server.url());
    NetworkSerialPlatform platform;
    // A connection still under way is picked up by the next attempt.
    serial::PortHandle port = serial::kInvalidPortHandle;
    for (int attempt = 0; attempt < 100 && port == serial::kInvalidPortHandle; ++attempt) {
      port = platform.openExisting(server.url());
    }
    ASSERT_NE(port, serial::kInvalidPortHandle);
    serial::LineMode line;
    ASSERT_TRUE(platform.readLineMode(kSettings, line) && platform.applyLineMode(port, line));
    expectLineEndFraming(platform, port, [&](const FramingCase& c) {
      return playOnThread(c, [&](const std::string& bytes) { board.send(bytes); });
    });
    platform.close(port);
  }
}

TEST(NetworkLink, ARefusedServerOrAnUnknownHostIsAFailedOpenThatSaysWhy) {
  NetworkSerialPlatform platform;
  const std::string refused = "socket://127.0.0.1:" + std::to_string(freeLoopbackPort());
  EXPECT_EQ(platform.openExisting(refused), serial::kInvalidPortHandle);
  EXPECT_EQ(platform.lastError(), ECONNREFUSED);
  EXPECT_EQ(platform.lastOpenFailure().reason, "Connection refused");

  // A reserved name that never resolves; a machine without a resolver says so in its own words.
  EXPECT_EQ(platform.openExisting("rfc2217://no-such-board.invalid:4000"),
            serial::kInvalidPortHandle);
  const std::string why = platform.lastOpenFailure().reason;
  EXPECT_TRUE(why == "Name or service not known" || why == "Temporary failure in name resolution")
      << why;
}

}  // namespace
}  // namespace tarnwick::testing
