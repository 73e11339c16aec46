// What the POSIX layer does with names that are not a serial device, and with
// mode strings: nothing may block, nothing may be written, nothing created.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "serial_test_util.h"
#include "support/pty_pair.h"

namespace tarnwick::serial {
namespace {

using Messages = std::vector<std::string>;
using testing::kSettings;
using testing::widened;

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnwick-names-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    for (const char* name : {"/file", "/fifo", "/COM5:"}) ::unlink((dir + name).c_str());
    ::rmdir((dir + "/folder").c_str());
    ::rmdir(dir.c_str());
  }
  std::int16_t open(const std::string& name) { return port.OpenPort(widened(name), kSettings); }
  static std::string timeoutsMessage(const std::string& name) {
    return "Unable to set timeouts for port " + name + " Error: 25";
  }

  std::string dir;
  PosixSerialPlatform platform;
  Messages messages;
  SerialPort port{platform, [this](const std::string& m) { messages.push_back(m); }};
};

TEST_F(PortNamesTest, ARegularFileIsRefusedEveryTimeAndKeepsItsBytes) {
  const std::string file = dir + "/file";
  const std::string bytes("BOOT\0:1000\r\n", 12);
  std::ofstream(file, std::ios::binary) << bytes;

  EXPECT_EQ(open(file), kPortFalse);
  EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
  EXPECT_EQ(port.ReadPort(), "");
  EXPECT_EQ(open(file), kPortFalse);
  EXPECT_EQ(messages, (Messages{timeoutsMessage(file), timeoutsMessage(file)}));
  EXPECT_EQ(contentsOf(file), bytes);
}

TEST_F(PortNamesTest, AFifoAndDevNullAreRefusedWithoutBlockingOrWriting) {
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);

  EXPECT_EQ(open(fifo), kPortFalse);
  port.WritePort(std::string("BOOTinfo\r\n"));
  EXPECT_EQ(open("/dev/null"), kPortFalse);
  EXPECT_EQ(messages, (Messages{timeoutsMessage(fifo), timeoutsMessage("/dev/null")}));
  char byte = 0;
  EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing ever reached the FIFO
  ::close(reader);
}

TEST_F(PortNamesTest, NamesThatOpenNothingFailSilently) {
  const std::string file = dir + "/file";
  std::ofstream(file) << "keep";
  ASSERT_EQ(::mkdir((dir + "/folder").c_str(), 0700), 0);
  const std::string names[] = {
      "",
      dir + "/folder",
      dir + "/missing",
      std::string(10000, 'a'),
      file + std::string(1, '\0') + "x",  // would reach the file if cut at the zero
  };
  for (const auto& name : names) {
    SCOPED_TRACE(name.size());
    EXPECT_EQ(open(name), kPortFalse);
    EXPECT_FALSE(port.isOpen());
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_NE(::access((dir + "/missing").c_str(), F_OK), 0);  // nothing was created
  EXPECT_EQ(contentsOf(file), "keep");
}

TEST_F(PortNamesTest, APortReconnectsUnderTheSameNameOnceTheDeviceIsBack) {
  const std::string link = dir + "/COM5:";  // the colon goes to open() as typed
  auto board = std::make_unique<testing::PtyPair>();
  ASSERT_EQ(::symlink(board->slavePath().c_str(), link.c_str()), 0);
  ASSERT_EQ(open(link), kPortTrue);

  board->hangUp();  // unplugged
  EXPECT_EQ(port.ReadPort(), "");
  port.ClosePort();
  board = std::make_unique<testing::PtyPair>();  // plugged in again
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(board->slavePath().c_str(), link.c_str()), 0);
  ASSERT_EQ(open(link), kPortTrue);
  port.WritePort(std::string("BOOTinfo\r\n"));
  EXPECT_EQ(board->receive(10, std::chrono::milliseconds(5000)), "BOOTinfo\r\n");
  port.ClosePort();
}

TEST(PosixModeStrings, OnlyWellFormedModeStringsBuild) {
  PosixSerialPlatform platform;
  DeviceControlRecord record{};
  for (const std::string mode : {"115200,n,8,1", "9600,E,7,2", " 115200 , N , 8 , 1 "}) {
    EXPECT_TRUE(platform.buildDeviceControl(mode, record)) << mode;
  }
  const std::string invalid[] = {
      "",
      "115200",
      "115200,n,8",
      "115200,n,8,1,",
      "115200,n,8,1,x",
      "115200,x,8,1",
      "115201,n,8,1",
      "-9600,n,8,1",
      "abc,n,8,1",
      "115200,n,9,1",
      "115200,n,8,3",
      "115200,n,8,1.5",
      std::string("115200,n,8,1\0", 13),
  };
  for (const auto& mode : invalid) {
    EXPECT_FALSE(platform.buildDeviceControl(mode, record)) << mode;
    EXPECT_EQ(platform.lastError(), EINVAL) << mode;
  }
}

TEST(PosixModeStrings, TheBuiltRecordSetsTheLineAndAnUnbuiltOneIsRefused) {
  testing::PtyPair pty;
  PosixSerialPlatform platform;
  const PortHandle handle = platform.openExisting(pty.slavePath());
  ASSERT_NE(handle, kInvalidPortHandle);

  EXPECT_FALSE(platform.applyDeviceControl(handle, DeviceControlRecord{}));
  EXPECT_EQ(platform.lastError(), EINVAL);

  DeviceControlRecord record{};
  ASSERT_TRUE(platform.buildDeviceControl("9600,o,7,2", record));
  ASSERT_TRUE(platform.applyDeviceControl(handle, record));
  termios line{};
  ASSERT_EQ(tcgetattr(static_cast<int>(handle), &line), 0);
  EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
  // A pty forces 8 bits without parity; it keeps the rest of the framing.
  const tcflag_t framing = PARODD | CSTOPB;
  EXPECT_EQ(line.c_cflag & framing, framing);
  platform.close(handle);
}

}  // namespace
}  // namespace tarnwick::serial
