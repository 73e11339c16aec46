// The serial link over the POSIX platform against real pseudo-terminals: the
// test plays the board on the master side.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "answer_framing.h"
#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "serial_test_util.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"

namespace tarnwick::serial {
namespace {

using std::chrono::milliseconds;
using testing::allByteValues;
using testing::kSettings;
using testing::millisecondsOf;
using testing::numberedBytes;
using testing::PtyPair;
using testing::widened;

class PtyPortTest : public ::testing::Test {
 protected:
  void open() { ASSERT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue); }

  PtyPair pty;
  PosixSerialPlatform platform;
  std::vector<std::string> messages;
  SerialPort port{platform, [this](const std::string& m) { messages.push_back(m); }};
};

TEST_F(PtyPortTest, EveryByteValuePassesBothWaysUnchanged) {
  open();
  const std::string bytes = allByteValues();
  port.WritePort(bytes);
  EXPECT_EQ(pty.receive(256, milliseconds(5000)), bytes);
  EXPECT_EQ(port.WritePort(widened(bytes.substr(0, 255))), 255);
  EXPECT_EQ(pty.receive(255, milliseconds(5000)), bytes.substr(0, 255));

  pty.send(bytes);
  std::string received;
  for (int i = 0; i < 10 && received.size() < bytes.size(); ++i) received += port.ReadPort();
  EXPECT_EQ(received, bytes);
}

TEST_F(PtyPortTest, OpeningMakesACookedLineRawWithoutFlowControl) {
  // Another program left the line cooked, slow, with flow control and parity.
  const int peer = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(peer, 0);
  termios cooked{};
  ASSERT_EQ(tcgetattr(peer, &cooked), 0);
  cooked.c_lflag |= ICANON | ECHO;
  cooked.c_iflag |= ICRNL | IXON | IXOFF;
  cooked.c_oflag |= OPOST | ONLCR;
  cooked.c_cflag |= CRTSCTS | PARENB | CSTOPB;
  cfsetspeed(&cooked, B9600);
  ASSERT_EQ(tcsetattr(peer, TCSANOW, &cooked), 0);

  open();
  termios now{};
  ASSERT_EQ(tcgetattr(peer, &now), 0);
  ::close(peer);
  EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B115200));
  EXPECT_EQ(cfgetispeed(&now), static_cast<speed_t>(B115200));
  EXPECT_EQ(now.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(now.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(now.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(now.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
  EXPECT_EQ(now.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(now.c_oflag & OPOST, 0u);

  // Line ends and flow-control bytes pass untouched, and nothing is echoed.
  pty.send("OK\r\n\x13\x11");
  EXPECT_EQ(port.ReadPort(), "OK\r\n\x13\x11");
  port.WritePort(std::string("BOOTinfo\r\n"));
  EXPECT_EQ(pty.receiveUntilQuiet(milliseconds(100), milliseconds(3000)), "BOOTinfo\r\n");
}

TEST_F(PtyPortTest, MoreThan255WaitingBytesComeAs255ThenTheRest) {
  open();
  const std::string bytes = numberedBytes(300);
  pty.send(bytes);
  EXPECT_EQ(port.ReadPort(), bytes.substr(0, 255));
  EXPECT_EQ(port.ReadPort(), bytes.substr(255));
}

TEST_F(PtyPortTest, ReadsEndAtTheirTimeouts) {
  open();
  // Bounds are loose on purpose: the benchmark measures; this only tells
  // "waits for the time-out" from "returns at once" and from "blocks".
  std::string got = "not read";
  const double quiet = millisecondsOf([&] { got = port.ReadPort(); });
  EXPECT_EQ(got, "");
  EXPECT_GE(quiet, 255.0);
  EXPECT_LT(quiet, 1500.0);

  pty.send("VER=3.30\r\n");
  const double answered = millisecondsOf([&] { got = port.ReadPort(); });
  EXPECT_EQ(got, "VER=3.30\r\n");
  EXPECT_GE(answered, 19.0);
  EXPECT_LT(answered, 200.0);  // well before the 256 ms total
}

TEST_F(PtyPortTest, AHeldPortDoesNotOpenAgainUntilItIsClosed) {
  open();
  PosixSerialPlatform otherProgram;
  SerialPort other(otherProgram, [this](const std::string& m) { messages.push_back(m); });
  EXPECT_EQ(other.OpenPort(widened(pty.slavePath()), kSettings), kPortFalse);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(other.openFailure().reason, "Device or resource busy");
  EXPECT_EQ(other.openFailure().kind, OpenFailureKind::Unavailable);

  EXPECT_NE(port.ClosePort(), 0);
  EXPECT_EQ(other.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);
  EXPECT_EQ(other.openFailure().kind, OpenFailureKind::None);
  // This program is turned away too; the platform releases on exit what it still holds.
  EXPECT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortFalse);
  EXPECT_TRUE(messages.empty());
}

// A descriptor number freed by a close is soon handed to another file.
TEST_F(PtyPortTest, AStaleHandleReachesNothing) {
  testing::TempFolder folder;
  const std::string path = folder.write("file", "keep");
  const int file = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(file, 0);

  const PortHandle stale = platform.openExisting(pty.slavePath());
  ASSERT_NE(stale, kInvalidPortHandle);
  EXPECT_EQ(platform.close(stale), 1);
  ASSERT_EQ(dup2(file, static_cast<int>(stale)), stale);
  const std::uint8_t bytes[] = {'B', 'O', 'O', 'T'};
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(platform.write(stale, bytes, 4), 0u);
  EXPECT_EQ(platform.read(stale, buffer, 8), 0u);
  platform.flush(stale);
  EXPECT_FALSE(platform.setTimeouts(stale, PortTimeouts{}));
  EXPECT_EQ(platform.close(stale), 0);
  EXPECT_NE(fcntl(static_cast<int>(stale), F_GETFD), -1);  // still the file's
  ::close(static_cast<int>(stale));

  // The same through the port: Close Port, some file opens, the info poll writes.
  open();
  port.ClosePort();
  const int reused = ::open(path.c_str(), O_RDWR);
  EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
  EXPECT_EQ(port.ReadPort(), "");
  ::close(reused);
  ::close(file);
  EXPECT_EQ(testing::readFile(path), "keep");
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Unplugged (the pty's master closed), then plugged in again under the same name.
TEST_F(PtyPortTest, AVanishedDeviceNeitherSpinsNorBlocksAndConnectsAgainOnceBack) {
  testing::TempFolder folder;
  const std::string link = folder.file("COM5:");  // the colon goes to open() as typed
  ASSERT_EQ(::symlink(pty.slavePath().c_str(), link.c_str()), 0);
  ASSERT_EQ(port.OpenPort(widened(link), kSettings), kPortTrue);

  pty.hangUp();
  const double cpuBefore = cpuSeconds();
  const double wall = millisecondsOf([&] {
    for (int tick = 0; tick < 20; ++tick) EXPECT_EQ(port.ReadPort(), "");
  });
  EXPECT_GE(wall, 4000.0);  // each read waits out its 256 ms
  EXPECT_LT((cpuSeconds() - cpuBefore) * 1000, wall / 4);
  EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
  port.FlushPort();
  EXPECT_NE(port.ClosePort(), 0);
  EXPECT_FALSE(port.isOpen());

  PtyPair again;
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(again.slavePath().c_str(), link.c_str()), 0);
  ASSERT_EQ(port.OpenPort(widened(link), kSettings), kPortTrue);
  port.WritePort(std::string("BOOTinfo\r\n"));
  EXPECT_EQ(again.receive(10, milliseconds(5000)), "BOOTinfo\r\n");
  port.ClosePort();
}

TEST_F(PtyPortTest, AWriteToAStuckLineEndsAtItsTimeout) {
  open();
  // Nobody reads the master: fill the line until it takes nothing more.
  const int filler = ::open(pty.slavePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  const std::string block(1024, 'f');
  for (int quietRounds = 0; quietRounds < 3;) {
    std::size_t round = 0;
    for (std::size_t size : {std::size_t{1024}, std::size_t{1}}) {
      while (::write(filler, block.data(), size) > 0) round += size;
    }
    quietRounds = round == 0 ? quietRounds + 1 : 0;
    usleep(20000);
  }
  ::close(filler);

  std::int16_t taken = -1;
  const double spent = millisecondsOf([&] { taken = port.WritePort(numberedBytes(255)); });
  EXPECT_LT(taken, 255);
  EXPECT_GE(spent, 264.0);  // 255 x 1 ms + 10 ms
  EXPECT_LT(spent, 2000.0);
  EXPECT_LT(millisecondsOf([&] { port.FlushPort(); }), 2000.0);
  EXPECT_LT(millisecondsOf([&] { port.ClosePort(); }), 2000.0);
}

// A pty has no output queue to watch; this plays a device that reports one.
class QueuedPlatform : public PosixSerialPlatform {
 public:
  std::vector<long> pending;  // what successive queries report; the last one repeats
  int queries = 0;

 protected:
  long pendingOutput(int) override {
    const auto i = std::min<std::size_t>(static_cast<std::size_t>(queries++), pending.size() - 1);
    return pending[i];
  }
};

TEST(PosixFlush, WaitsForPendingOutputButNotForever) {
  PtyPair pty;
  QueuedPlatform platform;
  SerialPort port(platform, nullptr);
  ASSERT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);

  platform.pending = {90, 60, 30, 0};
  port.FlushPort();
  EXPECT_EQ(platform.queries, 4);  // waited until the queue was empty

  // Output that never leaves: 200 bytes x 1 ms + 10 ms, plus the margin.
  platform.pending = {200};
  const double bound = 210.0 + PosixSerialPlatform::kDrainMargin.count();
  EXPECT_GE(millisecondsOf([&] { port.FlushPort(); }), bound - 1);
  EXPECT_LT(millisecondsOf([&] { port.FlushPort(); }), bound + 1500);
  EXPECT_LT(millisecondsOf([&] { port.ClosePort(); }), bound + 1500);
  EXPECT_FALSE(port.isOpen());
}

// A pty refuses the driver's serial settings; this plays a USB serial port
// that keeps them (`flags`), or one that refuses them too.
class UsbSerialPlatform : public PosixSerialPlatform {
 public:
  bool refuses = false;
  int flags = 0;
  std::vector<int> flagsSet;  // each TIOCSSERIAL's flags, in order

 protected:
  bool getSerialInfo(int, serial_struct& info) override {
    if (refuses) errno = ENOTTY;
    info.flags = flags;
    return !refuses;
  }
  bool setSerialInfo(int, const serial_struct& info) override {
    if (refuses) {
      errno = EINVAL;
      return false;
    }
    flagsSet.push_back(info.flags);
    flags = info.flags;
    return true;
  }
};

TEST(PosixLowLatency, AskedForAtOpenPutBackAtCloseAndARefusalGoesUnnoticed) {
  PtyPair pty;
  UsbSerialPlatform platform;
  std::vector<std::string> messages;
  SerialPort port(platform, [&](const std::string& m) { messages.push_back(m); });
  platform.flags = ASYNC_SKIP_TEST;  // another setting of the driver's, kept throughout
  ASSERT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);
  EXPECT_EQ(platform.flagsSet, (std::vector<int>{ASYNC_SKIP_TEST | ASYNC_LOW_LATENCY}));
  port.ClosePort();
  EXPECT_EQ(platform.flags, ASYNC_SKIP_TEST);

  // Set by its owner already: left alone, and left set.
  platform.flagsSet.clear();
  platform.flags = ASYNC_LOW_LATENCY;
  ASSERT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);
  port.ClosePort();
  EXPECT_TRUE(platform.flagsSet.empty());
  EXPECT_EQ(platform.flags, ASYNC_LOW_LATENCY);

  // Refused: the port opens and carries bytes as ever, and nothing is said.
  platform.refuses = true;
  ASSERT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);
  EXPECT_EQ(platform.lastError(), 0);
  port.WritePort("BOOTinfo\r\n");
  EXPECT_EQ(pty.receive(10, milliseconds(5000)), "BOOTinfo\r\n");
  pty.send("OK\r\n");
  EXPECT_EQ(port.ReadPort(), "OK\r\n");
  port.ClosePort();
  EXPECT_TRUE(messages.empty());
}

// An answer in two bursts 10 ms apart: one answer for the window's 20 ms gap,
// two for a 2 ms gap. Timing on a busy machine can blur either outcome once,
// so each gap has a few tries to show its own; a gap that is not applied never does.
bool firstReadSplits(std::chrono::milliseconds gap) {
  PtyPair pty;
  PosixSerialPlatform platform;
  SerialPort port(platform, nullptr, gap);
  EXPECT_EQ(port.OpenPort(widened(pty.slavePath()), kSettings), kPortTrue);
  std::thread board([&] {
    pty.send("VER=3.30");
    std::this_thread::sleep_for(milliseconds(10));
    pty.send("\r\n");
  });
  const std::string first = port.ReadPort();
  board.join();
  const std::string rest = first.size() < 10 ? port.ReadPort() : std::string();
  EXPECT_EQ(first + rest, "VER=3.30\r\n");  // nothing lost either way
  return first == "VER=3.30";
}

TEST(PosixAnswerGap, ATwoMillisecondGapSplitsBurstsThatTheWindowsGapJoins) {
  auto showsWithin = [](int tries, auto outcome) {
    for (int i = 0; i < tries; ++i) {
      if (outcome()) return true;
    }
    return false;
  };
  EXPECT_TRUE(showsWithin(5, [] { return firstReadSplits(milliseconds(2)); }));
  EXPECT_TRUE(showsWithin(5, [] { return !firstReadSplits(kWindowAnswerGap); }));
}

TEST(PosixLineEnd, AnAnswerEndsAtItsLineEndAndInsideALineOnlyAtTheGap) {
  PtyPair pty;
  PosixSerialPlatform platform;
  const PortHandle port = platform.openExisting(pty.slavePath());
  ASSERT_NE(port, kInvalidPortHandle);
  testing::expectLineEndFraming(platform, port, [&](const testing::FramingCase& c) {
    return testing::playOnThread(c, [&](const std::string& bytes) { pty.send(bytes); });
  });
  platform.close(port);
}

}  // namespace
}  // namespace tarnwick::serial
