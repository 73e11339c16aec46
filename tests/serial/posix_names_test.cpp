// What the POSIX layer does with names that are not a serial device, and with
// mode strings: nothing may block, nothing may be written, nothing created.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "serial_test_util.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"

namespace tarnwick::serial {
namespace {

using Messages = std::vector<std::string>;
using testing::kSettings;
using testing::widened;

TEST(PosixPortNames, NamesOfNoSerialDeviceNeverTakeAByteNorBlock) {
  testing::TempFolder folder;
  const std::string dir = folder.path();
  const std::string kept("BOOT\0:1000\r\n", 12);
  const std::string file = folder.write("file", kept);
  const std::string fifo = folder.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int fifoReader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // a write would get through
  ASSERT_GE(fifoReader, 0);
  ASSERT_EQ(::mkdir((dir + "/folder").c_str(), 0700), 0);

  // Names that open something are refused where the time-outs are set, with
  // the message at every attempt; the others fail silently. Each says why to
  // whoever asks, and a name that is no terminal says it will never be one.
  const std::string notSerial = kNotASerialDevice;
  const std::string missing = "No such file or directory";
  const struct {
    const char* label;
    std::string name;
    bool refusedWithMessage;
    std::string reason;
  } cases[] = {
      {"regular file", file, true, notSerial},
      {"FIFO", fifo, true, notSerial},
      {"/dev/null", "/dev/null", true, notSerial},
      {"empty", "", false, missing},
      {"directory", dir + "/folder", false, notSerial},
      {"missing", dir + "/missing", false, missing},
      {"10,000 characters", std::string(10000, 'a'), false, "File name too long"},
      {"zero byte", file + std::string(1, '\0') + "x", false,
       missing},  // cut at the zero: the file
  };
  PosixSerialPlatform platform;
  Messages messages;
  SerialPort port(platform, [&](const std::string& m) { messages.push_back(m); });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Messages refusal = {"Unable to set timeouts for port " + c.name + " Error: 25"};
    for (int attempt = 0; attempt < 2; ++attempt) {
      messages.clear();
      EXPECT_EQ(port.OpenPort(widened(c.name), kSettings), kPortFalse);
      EXPECT_EQ(messages, c.refusedWithMessage ? refusal : Messages{});
      EXPECT_EQ(port.openFailure().reason, c.reason);
      EXPECT_EQ(port.openFailure().kind, c.reason == notSerial ? OpenFailureKind::NotASerialDevice
                                                               : OpenFailureKind::Unavailable);
      EXPECT_FALSE(port.isOpen());
      EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
      EXPECT_EQ(port.ReadPort(), "");
    }
  }
  EXPECT_EQ(testing::readFile(file), kept);
  char byte = 0;
  EXPECT_LE(::read(fifoReader, &byte, 1), 0);
  ::close(fifoReader);
  EXPECT_NE(::access((dir + "/missing").c_str(), F_OK), 0);  // nothing was created
}

TEST(PosixModeStrings, OnlyWellFormedModeStringsBuild) {
  PosixSerialPlatform platform;
  LineMode line;
  for (const std::string mode : {"115200,n,8,1", "9600,E,7,2", " 115200 , N , 8 , 1 "}) {
    EXPECT_TRUE(platform.readLineMode(mode, line)) << mode;
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
    EXPECT_FALSE(platform.readLineMode(mode, line)) << mode;
    EXPECT_EQ(platform.lastError(), EINVAL) << mode;
  }
}

TEST(PosixModeStrings, TheSettingsReadSetTheLineAndOnesNoModeStringGivesAreRefused) {
  testing::PtyPair pty;
  PosixSerialPlatform platform;
  const PortHandle handle = platform.openExisting(pty.slavePath());
  ASSERT_NE(handle, kInvalidPortHandle);

  EXPECT_FALSE(platform.applyLineMode(handle, LineMode{}));  // no baud rate
  EXPECT_EQ(platform.lastError(), EINVAL);

  LineMode settings;
  ASSERT_TRUE(platform.readLineMode("9600,o,7,2", settings));
  ASSERT_TRUE(platform.applyLineMode(handle, settings));
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
