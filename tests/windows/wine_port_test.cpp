// The serial port over the real kernel32 services, run under Wine (or on
// Windows) against a peer on COM5 that echoes every byte.
//
// scripts/test-windows maps COM5 onto a pseudo-terminal whose far end echoes,
// and sets TARNWICK_WINE_PEER; without it the tests that need the peer skip.
// Each such test starts by reading the line dry, so bytes left by an earlier
// test cannot leak into its own.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "serial/answer_framing.h"
#include "serial/devices/port_enumeration.h"
#include "serial/serial_platform.h"
#include "serial/serial_port.h"

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kSettings[] = "115200,n,8,1";
constexpr char32_t kEchoPort[] = U"COM5:";

bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// The real Win32 layer with a note of what passed through it: the handle and
// error of the last open and the size and result of every write, so that a
// test can look at the device itself (GetCommState) and at how a long text
// was cut into writes.
struct WriteCall {
  std::uint32_t asked = 0;
  std::uint32_t written = 0;
};

class RecordingPlatform : public serial::SerialPlatform {
 public:
  RecordingPlatform() : system_(serial::makeSystemSerialPlatform()) {}

  serial::PortHandle lastOpened = serial::kInvalidPortHandle;
  int openError = 0;  // the system's error number of the last failed open
  std::vector<WriteCall> writes;

  serial::PortHandle openExisting(const std::string& name) override {
    lastOpened = system_->openExisting(name);
    // Taken at once: the test framework's own calls may replace it later.
    if (lastOpened == serial::kInvalidPortHandle) openError = system_->lastError();
    return lastOpened;
  }
  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) override {
    return system_->setTimeouts(port, timeouts);
  }
  bool readLineMode(const std::string& mode, serial::LineMode& line) override {
    return system_->readLineMode(mode, line);
  }
  bool applyLineMode(serial::PortHandle port, const serial::LineMode& line) override {
    return system_->applyLineMode(port, line);
  }
  int lastError() override { return system_->lastError(); }
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t count) override {
    return system_->read(port, buffer, count);
  }
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override {
    const std::uint32_t written = system_->write(port, buffer, count);
    writes.push_back({count, written});
    return written;
  }
  void flush(serial::PortHandle port) override { system_->flush(port); }
  bool deviceVanished(serial::PortHandle port) const override {
    return system_->deviceVanished(port);
  }
  int close(serial::PortHandle port) override { return system_->close(port); }
  serial::OpenFailure lastOpenFailure() const override { return system_->lastOpenFailure(); }

 private:
  std::unique_ptr<serial::SerialPlatform> system_;
};

// Bytes 0 to n-1 of a pattern that runs through every byte value, so that a
// byte changed on the way, or a piece sent twice, dropped or swapped, shows.
std::string pattern(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(i % 256));
  return text;
}

class PortTest : public ::testing::Test {
 protected:
  RecordingPlatform platform;
  std::vector<std::string> messages;
  serial::SerialPort port{platform, [this](const std::string& m) { messages.push_back(m); }};
};

class EchoPortTest : public PortTest {
 protected:
  void SetUp() override {
    if (std::getenv("TARNWICK_WINE_PEER") == nullptr) {
      GTEST_SKIP() << "no peer on COM5: run scripts/test-windows";
    }
  }
  void TearDown() override { port.ClosePort(); }

  void openEchoPort() {
    ASSERT_EQ(port.OpenPort(kEchoPort, kSettings), serial::kPortTrue);
    ASSERT_TRUE(messages.empty());
    // A quiet read ends the draining; each one lasts about 256 ms.
    for (int i = 0; i < 20 && !port.ReadPort().empty(); ++i) {
    }
    platform.writes.clear();
  }

  // Reads until `count` bytes have come back or the generous limit passes.
  std::string readBack(std::size_t count) {
    std::string received;
    const auto start = Clock::now();
    while (received.size() < count && msSince(start) < 10000) received += port.ReadPort();
    return received;
  }
};

TEST_F(EchoPortTest, OpensComPortByTypedNameAndConfiguresIt) {
  ASSERT_NO_FATAL_FAILURE(openEchoPort());
  const HANDLE device = reinterpret_cast<HANDLE>(platform.lastOpened);

  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  ASSERT_NE(GetCommState(device, &dcb), 0);
  EXPECT_EQ(dcb.BaudRate, 115200u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_FALSE(dcb.fOutX || dcb.fInX) << "no XON/XOFF flow control";
  EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow) << "no hardware flow control";
  EXPECT_NE(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));

  COMMTIMEOUTS timeouts{};
  ASSERT_NE(GetCommTimeouts(device, &timeouts), 0);
  EXPECT_EQ(
      (std::vector<DWORD>{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                          timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                          timeouts.WriteTotalTimeoutConstant}),
      (std::vector<DWORD>{20, 1, 1, 1, 10}));

  // Closing releases the device: it opens again at once.
  EXPECT_NE(port.ClosePort(), 0);
  EXPECT_EQ(port.OpenPort(kEchoPort, kSettings), serial::kPortTrue);
}

TEST_F(EchoPortTest, EveryByteValueCrossesBothWaysInPiecesOf255InOrder) {
  ASSERT_NO_FATAL_FAILURE(openEchoPort());
  const std::string text = pattern(600);

  port.WritePort(text);
  const std::string echoed = readBack(text.size());

  ASSERT_EQ(platform.writes.size(), 3u);
  const std::uint32_t pieces[] = {255, 255, 90};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(platform.writes[i].asked, pieces[i]) << "piece " << i;
    EXPECT_EQ(platform.writes[i].written, pieces[i]) << "piece " << i;
  }
  EXPECT_EQ(echoed, text);
}

// The upper bounds only guard against a read that waits without end.
TEST_F(EchoPortTest, ReadsEndAtTheirTimeOuts) {
  ASSERT_NO_FATAL_FAILURE(openEchoPort());
  auto start = Clock::now();
  EXPECT_EQ(port.ReadPort(), "");
  long long elapsed = msSince(start);
  EXPECT_GE(elapsed, 230);  // the total limit, 255 x 1 ms + 1 ms
  EXPECT_LT(elapsed, 3000);

  port.WritePort(std::string("VER=3.30\r\n"));
  Sleep(50);  // the echo is back and waiting
  start = Clock::now();
  EXPECT_EQ(port.ReadPort(), "VER=3.30\r\n");
  elapsed = msSince(start);
  EXPECT_GE(elapsed, 15);   // the 20 ms quiet time after the last byte,
  EXPECT_LT(elapsed, 200);  // not the 256 ms total limit
}

TEST_F(EchoPortTest, FailedConfigurationShowsWindowsErrorAndReleasesDevice) {
  ASSERT_EQ(port.OpenPort(kEchoPort, "fast,please"), serial::kPortFalse);

  ASSERT_EQ(messages.size(), 1u);
  const std::string start = "Unable to build Comm DCB fast,please Error: ";
  ASSERT_EQ(messages[0].substr(0, start.size()), start);
  const std::string number = messages[0].substr(start.size());
  ASSERT_FALSE(number.empty());
  ASSERT_EQ(number.find_first_not_of("-0123456789"), std::string::npos) << number;
  EXPECT_NE(std::stoi(number), 0);
  EXPECT_FALSE(port.isOpen());

  messages.clear();
  ASSERT_NO_FATAL_FAILURE(openEchoPort());
}

TEST_F(EchoPortTest, NameWithZeroByteOpensNothing) {
  // Cut at its zero byte, the name would open COM5.
  const std::u32string name(U"COM5:\0junk", 10);
  EXPECT_EQ(port.OpenPort(name, kSettings), serial::kPortFalse);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(port.isOpen());
}

TEST_F(EchoPortTest, PortHeldOpenCannotBeOpenedAgain) {
  if (runningUnderWine()) {
    GTEST_SKIP() << "Wine does not enforce share mode 0 on COM ports: a second open succeeds";
  }
  ASSERT_NO_FATAL_FAILURE(openEchoPort());
  RecordingPlatform otherPlatform;
  serial::SerialPort other(otherPlatform, [this](const std::string& m) { messages.push_back(m); });

  EXPECT_EQ(other.OpenPort(kEchoPort, kSettings), serial::kPortFalse);
  EXPECT_EQ(otherPlatform.openError, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PortTest, MissingPortFailsSilentlyWithErrorTwo) {
  EXPECT_EQ(port.OpenPort(U"COM99:", kSettings), serial::kPortFalse);
  EXPECT_EQ(platform.openError, ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(port.isOpen());
  // Why, in Windows' own words, for whoever asks.
  EXPECT_EQ(port.openFailure().kind, serial::OpenFailureKind::Unavailable);
  EXPECT_FALSE(port.openFailure().reason.empty());
}

// A file opens like a port; the port services refuse it, and it will never be one.
TEST_F(PortTest, AFileIsNotASerialDevice) {
  char folder[MAX_PATH] = {};
  char path[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameA(folder, "trn", 0, path), 0u);
  std::u32string name;
  for (char c : std::string(path)) name.push_back(static_cast<unsigned char>(c));
  EXPECT_EQ(port.OpenPort(name, kSettings), serial::kPortFalse);
  DeleteFileA(path);
  EXPECT_EQ(messages.size(), 1u);  // the window still shows its configuration message
  EXPECT_EQ(port.openFailure().kind, serial::OpenFailureKind::NotASerialDevice);
  EXPECT_EQ(port.openFailure().reason, serial::kNotASerialDevice);
}

// Short reads against deadlines: a line end ends an answer, and inside a line only the gap does.
TEST(PlayerPortTest, AnAnswerEndsAtItsLineEndAndInsideALineOnlyAtTheGap) {
  if (std::getenv("TARNWICK_WINE_PEER") == nullptr) {
    GTEST_SKIP() << "no player on COM7: run scripts/test-windows";
  }
  const auto platform = serial::makeSystemSerialPlatform();
  const serial::PortHandle port = platform->openExisting("COM7:");
  ASSERT_NE(port, serial::kInvalidPortHandle);
  serial::LineMode line;
  ASSERT_TRUE(platform->readLineMode(kSettings, line) && platform->applyLineMode(port, line));
  expectLineEndFraming(*platform, port, [&](const FramingCase& c) {
    const std::string command = "PLAY " + playScript(c) + "\r\n";
    platform->write(port, reinterpret_cast<const std::uint8_t*>(command.data()),
                    static_cast<std::uint32_t>(command.size()));
    return std::thread();
  });
  platform->close(port);
}

// Wine has no Ports devices to list: the list may be empty, but asking must work.
TEST(PortList, ListsOnlyComPortsThatOpenByTheirDevicePath) {
  for (const auto& listed : serial::listSerialPorts()) {
    EXPECT_EQ(listed.device.rfind("COM", 0), 0u) << listed.device;
    EXPECT_EQ(listed.openName, "\\\\.\\" + listed.device);
  }
}

// Wine enters the ports it maps in SERIALCOMM only: each is listed, by name, and opens.
TEST(PortList, PortsKnownOnlyToSerialCommAreListedByName) {
  if (std::getenv("TARNWICK_WINE_PEER") == nullptr) GTEST_SKIP() << "run scripts/test-windows";
  std::vector<std::string> names;
  for (const auto& listed : serial::listSerialPorts()) names.push_back(listed.device);
  for (const std::string name : {"COM5", "COM6", "COM7"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
  const auto platform = serial::makeSystemSerialPlatform();
  const serial::PortHandle port = platform->openExisting("\\\\.\\COM7");
  EXPECT_NE(port, serial::kInvalidPortHandle);
  platform->close(port);
}

// COM8's peer hangs up at the first byte, as a pulled USB adapter does; the
// window goes on reading every 20 ms until Close Port, and must not keep a
// core busy meanwhile (Wine's read of a hung-up port is busy to its time-out).
double cpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  ULARGE_INTEGER k{{kernel.dwLowDateTime, kernel.dwHighDateTime}};
  ULARGE_INTEGER u{{user.dwLowDateTime, user.dwHighDateTime}};
  return static_cast<double>(k.QuadPart + u.QuadPart) / 1e7;
}

TEST_F(PortTest, ReadsAfterTheDeviceWentAwayLeaveTheCoreIdle) {
  if (std::getenv("TARNWICK_WINE_PEER") == nullptr) GTEST_SKIP() << "run scripts/test-windows";
  ASSERT_EQ(port.OpenPort(U"COM8:", kSettings), serial::kPortTrue);
  port.WritePort(std::string("x"));
  Sleep(500);  // the peer hangs up at once
  port.ReadPort();
  const double before = cpuSeconds();
  for (const auto start = Clock::now(); msSince(start) < 2000; Sleep(20)) port.ReadPort();
  EXPECT_LT(cpuSeconds() - before, 0.5);
  EXPECT_TRUE(port.deviceVanished());
  port.ClosePort();
}

TEST_F(PortTest, WithNoPortOpenNothingReachesTheSystem) {
  // -1 is also the current process's pseudo-handle; none of these may use it.
  const auto start = Clock::now();
  EXPECT_EQ(port.ReadPort(), "");
  EXPECT_LT(msSince(start), 200) << "a read with no port must not wait";
  EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
  port.FlushPort();
  EXPECT_EQ(port.ClosePort(), 0);
  ASSERT_EQ(platform.writes.size(), 1u);
  EXPECT_EQ(platform.writes[0].written, 0u);
}

}  // namespace
}  // namespace tarnwick::testing
