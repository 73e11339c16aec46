// The port's query for a vanished device, over a pseudo-terminal whose master
// side closes as a cable is pulled.
#include <gtest/gtest.h>

#include "download/runtime_error.h"
#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "support/pty_pair.h"

namespace tarnwick::serial {
namespace {

using namespace std::chrono_literals;

TEST(VanishedDevice, IsSeenAtOnceAfterAHangUpAndOnlyWhileThePortIsOpen) {
  testing::PtyPair pty;
  PosixSerialPlatform platform;
  SerialPort port(platform, nullptr);
  EXPECT_FALSE(port.deviceVanished());  // no port open: nothing to vanish
  ASSERT_EQ(port.OpenPort(download::latin1Text(pty.slavePath()), "115200,n,8,1"), kPortTrue);
  EXPECT_FALSE(port.deviceVanished());
  pty.send("OK\r\n");
  EXPECT_EQ(port.ReadPort(), "OK\r\n");
  EXPECT_FALSE(port.deviceVanished());  // a quiet, present device

  pty.hangUp();
  EXPECT_TRUE(port.deviceVanished());  // before any transfer has met it
  EXPECT_EQ(port.ReadPort(), "");      // the operations keep their results
  EXPECT_TRUE(port.deviceVanished());
  port.ClosePort();
  EXPECT_FALSE(port.deviceVanished());
}

}  // namespace
}  // namespace tarnwick::serial
