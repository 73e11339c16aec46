// SerialPort's own steps, over a scripted platform: what reaches the device,
// in which order and in which pieces, and what the user is shown.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "serial/serial_port.h"
#include "serial_test_util.h"
#include "support/fake_platform.h"

namespace tarnwick::serial {
namespace {

using Calls = std::vector<std::string>;
using testing::kSettings;
using testing::numberedBytes;

// Answer gap, line-end quiet, read limit per byte and constant, write limit
// per byte and constant.
std::vector<long> timeoutsMs(const PortTimeouts& t) {
  return {static_cast<long>(t.answerGap.count()),     static_cast<long>(t.lineEndQuiet.count()),
          static_cast<long>(t.read.perByte.count()),  static_cast<long>(t.read.constant.count()),
          static_cast<long>(t.write.perByte.count()), static_cast<long>(t.write.constant.count())};
}

class SerialPortTest : public ::testing::Test {
 protected:
  void open() { ASSERT_EQ(port.OpenPort(U"COM5:", kSettings), kPortTrue); }

  testing::FakePlatform platform;
  std::vector<std::string> messages;
  std::function<void()> duringMessage;
  SerialPort port{platform, [this](const std::string& message) {
                    messages.push_back(message);
                    if (duringMessage) duringMessage();
                  }};
};

TEST_F(SerialPortTest, OpensByTheNameAsTypedWithTheFixedTimeouts) {
  EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), -1);
  EXPECT_EQ(platform.calls, (Calls{"open COM5:", "timeouts", "build 115200,n,8,1", "apply"}));
  EXPECT_EQ(timeoutsMs(platform.timeouts), (std::vector<long>{20, 0, 1, 1, 1, 10}));
  EXPECT_EQ(lineModeText(platform.line), "115200,n,8,1");
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortTest, AMissingDeviceOrAnUnsendableNameFailsSilently) {
  platform.deviceExists = false;
  EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), kPortFalse);
  EXPECT_EQ(platform.calls, (Calls{"open COM5:"}));
  // A name with a character that has no 8-bit code never reaches the device layer.
  platform.deviceExists = true;
  EXPECT_EQ(port.OpenPort(U"COM\u01005:", kSettings), kPortFalse);
  EXPECT_EQ(platform.calls, (Calls{"open COM5:"}));
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPortTest, AFrontEndsAnswerGapEndsReadsAndNothingElseChanges) {
  const struct {
    int askedMs;
    long readIntervalMs;
  } cases[] = {{2, 2}, {-5, 1}, {50, 20}};
  for (const auto& c : cases) {
    testing::FakePlatform fake;
    SerialPort gapped(fake, nullptr, std::chrono::milliseconds(c.askedMs));
    ASSERT_EQ(gapped.OpenPort(U"COM5:", kSettings), kPortTrue);
    EXPECT_EQ(timeoutsMs(fake.timeouts), (std::vector<long>{c.readIntervalMs, 0, 1, 1, 1, 10}))
        << c.askedMs << " ms";
  }
}

TEST_F(SerialPortTest, AFrontEndMayEndAnswersAtLineEndsTheWindowNever) {
  open();
  EXPECT_EQ(platform.timeouts.lineEndQuiet, std::chrono::milliseconds{0});
  testing::FakePlatform fake;
  SerialPort lined(fake, nullptr, kWindowAnswerGap, AnswerEnd::Line);
  ASSERT_EQ(lined.OpenPort(U"COM5:", kSettings), kPortTrue);
  EXPECT_EQ(timeoutsMs(fake.timeouts), (std::vector<long>{20, 1, 1, 1, 1, 10}));
}

// A platform that cannot say why still says that the port did not open.
TEST_F(SerialPortTest, AFailedOpenIsNeverReportedAsNoFailure) {
  EXPECT_EQ(port.openFailure().kind, OpenFailureKind::None);
  platform.deviceExists = false;
  port.OpenPort(U"COM5:", kSettings);
  EXPECT_EQ(port.openFailure().kind, OpenFailureKind::Unavailable);
  platform.deviceExists = true;
  open();
  EXPECT_EQ(port.openFailure().kind, OpenFailureKind::None);
  port.ClosePort();
  platform.failApply = true;
  port.OpenPort(U"COM5:", kSettings);
  EXPECT_EQ(port.openFailure().kind, OpenFailureKind::Unavailable);
  platform.failApply = false;
  open();
  port.ClosePort();
  port.OpenPort(U"COM\u01005:", kSettings);
  EXPECT_EQ(port.openFailure().kind, OpenFailureKind::Unavailable);
  EXPECT_FALSE(port.openFailure().reason.empty());
}

struct ConfigurationFailure {
  bool testing::FakePlatform::*fault;
  int error;
  const char* failingCall;
  const char* message;
};

TEST_F(SerialPortTest, AFailedConfigurationStepShowsItsMessageClosesAndOpensAgainNextTime) {
  const ConfigurationFailure cases[] = {
      {&testing::FakePlatform::failTimeouts, 25, "timeouts",
       "Unable to set timeouts for port COM5: Error: 25"},
      {&testing::FakePlatform::failBuild, 87, "build 115200,n,8,1",
       "Unable to build Comm DCB 115200,n,8,1 Error: 87"},
      {&testing::FakePlatform::failApply, -31, "apply",
       "Unable to set Comm DCB 115200,n,8,1 Error: -31"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    platform.calls.clear();
    messages.clear();
    platform.*c.fault = true;
    platform.errorNumber = c.error;
    int devicesOpenDuringMessage = -1;
    duringMessage = [&] { devicesOpenDuringMessage = platform.openDevices; };

    EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), kPortFalse);
    EXPECT_EQ(messages, (Calls{c.message}));
    EXPECT_EQ(devicesOpenDuringMessage, 1);  // closed only after the message
    EXPECT_EQ(platform.openDevices, 0);
    EXPECT_FALSE(port.isOpen());
    // The error number is fetched right after the failing call; later steps are skipped.
    ASSERT_GE(platform.calls.size(), 3u);
    const Calls tail(platform.calls.end() - 3, platform.calls.end());
    EXPECT_EQ(tail, (Calls{c.failingCall, "lastError", "close"}));

    platform.*c.fault = false;
    platform.calls.clear();
    EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), kPortTrue);
    EXPECT_EQ(platform.calls.front(), "open COM5:");
    port.ClosePort();
  }
}

TEST_F(SerialPortTest, CallsArrivingWhileTheMessageShowsTouchNothing) {
  platform.failTimeouts = true;
  std::size_t callsBefore = 0;
  std::size_t callsAfter = 0;
  duringMessage = [&] {
    callsBefore = platform.calls.size();
    EXPECT_EQ(port.ReadPort(), "");
    EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
    EXPECT_EQ(port.WritePort(std::u32string(U"BOOTg\r\n")), 0);
    port.FlushPort();
    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), kPortFalse);
    callsAfter = platform.calls.size();
  };
  EXPECT_EQ(port.OpenPort(U"COM5:", kSettings), kPortFalse);
  EXPECT_EQ(callsAfter, callsBefore);
  EXPECT_EQ(platform.count("close"), 1);
  EXPECT_EQ(platform.openDevices, 0);
  EXPECT_EQ(messages.size(), 1u);
}

// The same pieces whether the text comes as bytes or as typed characters.
TEST_F(SerialPortTest, TextsGoOutIn255BytePiecesInOrder) {
  open();
  const struct {
    std::size_t length;
    Calls writes;
  } cases[] = {
      {0, {"write 0"}},
      {255, {"write 255"}},
      {256, {"write 255", "write 1"}},
      {600, {"write 255", "write 255", "write 90"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string text = numberedBytes(c.length);
    for (const bool typed : {false, true}) {
      platform.calls.clear();
      platform.writes.clear();
      const auto result = typed ? port.WritePort(testing::widened(text)) : port.WritePort(text);
      EXPECT_EQ(platform.calls, c.writes);
      EXPECT_EQ(platform.written(), text);
      if (c.length <= 255) {
        EXPECT_EQ(result, static_cast<std::int16_t>(c.length));
      }
    }
  }
}

TEST_F(SerialPortTest, ACharacterWithoutAnEightBitCodeRefusesOnlyItsPiece) {
  open();
  platform.calls.clear();
  std::u32string text = testing::widened(numberedBytes(600));
  text[300] = U'\u20AC';
  port.WritePort(text);
  EXPECT_EQ(platform.calls, (Calls{"write 255", "write 90"}));
  const std::string bytes = numberedBytes(600);
  EXPECT_EQ(platform.written(), bytes.substr(0, 255) + bytes.substr(510));

  // Latin-1 characters go out as their own byte values.
  platform.writes.clear();
  EXPECT_EQ(port.WritePort(std::u32string(U"\u00e9\u00ff\u0080")), 3);
  EXPECT_EQ(platform.written(), "\xe9\xff\x80");
  EXPECT_EQ(port.WritePort(std::u32string(U"BOOT\u0100")), 0);
  EXPECT_EQ(platform.count("write"), 3);
}

TEST_F(SerialPortTest, AShortWriteIsReportedAndNotRetried) {
  open();
  platform.writeLimit = 100;
  EXPECT_EQ(port.WritePort(numberedBytes(255)), 100);
  platform.calls.clear();
  port.WritePort(numberedBytes(600));
  EXPECT_EQ(platform.calls, (Calls{"write 255", "write 255", "write 90"}));
}

TEST_F(SerialPortTest, ReadsKeepEveryByteAndFlushOnlyWhenNothingCame) {
  open();
  const std::string withZero("OK\0VER=1", 8);
  platform.reads = {withZero, std::string(300, 'x')};
  platform.calls.clear();
  EXPECT_EQ(port.ReadPort(), withZero);
  EXPECT_EQ(port.ReadPort(), std::string(255, 'x'));
  EXPECT_EQ(port.ReadPort(), std::string(45, 'x'));
  EXPECT_EQ(platform.count("flush"), 0);
  EXPECT_EQ(port.ReadPort(), "");
  EXPECT_EQ(platform.calls.back(), "flush");
  EXPECT_EQ(platform.count("read"), 4);
}

TEST_F(SerialPortTest, WithoutAPortEveryOperationReachesNoDevice) {
  EXPECT_EQ(port.ReadPort(), "");
  EXPECT_EQ(port.WritePort(std::string("BOOTinfo\r\n")), 0);
  port.FlushPort();
  EXPECT_EQ(port.ClosePort(), 0);
  open();
  EXPECT_NE(port.ClosePort(), 0);
  // After a close, and after a failed open, the old handle is never used again.
  platform.deviceExists = false;
  port.OpenPort(U"COM5:", kSettings);
  port.WritePort(std::string("BOOTinfo\r\n"));
  port.ReadPort();
  port.ClosePort();
  EXPECT_EQ(platform.writes, Calls{});
  const std::vector<PortHandle> late(platform.handles.end() - 4, platform.handles.end());
  EXPECT_EQ(late, std::vector<PortHandle>(4, kInvalidPortHandle));
}

}  // namespace
}  // namespace tarnwick::serial
