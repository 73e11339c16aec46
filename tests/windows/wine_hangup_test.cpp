// A port whose device goes away under a running window: COM8's peer hangs up
// at the first byte it gets, as a pulled USB adapter does. The window goes on
// reading every 20 ms until Close Port; those reads must not keep a core busy.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "serial/serial_platform.h"
#include "serial/serial_port.h"

namespace tarnwick::testing {
namespace {

using Clock = std::chrono::steady_clock;

// User and kernel time of this process so far, in seconds.
double cpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

TEST(HungUpPort, ReadsAfterTheDeviceWentAwayLeaveTheCoreIdle) {
  if (std::getenv("TARNWICK_WINE_PEER") == nullptr) {
    GTEST_SKIP() << "no peer on COM8: run scripts/test-windows";
  }
  const auto platform = serial::makeSystemSerialPlatform();
  serial::SerialPort port(*platform, nullptr);
  ASSERT_EQ(port.OpenPort(U"COM8:", "115200,n,8,1"), serial::kPortTrue);
  port.WritePort(std::string("x"));
  Sleep(500);  // the peer hangs up at once; this is a generous margin
  port.ReadPort();

  // The window's receive timer: one read every 20 ms, for two seconds.
  const double cpuBefore = cpuSeconds();
  const auto end = Clock::now() + std::chrono::seconds(2);
  int reads = 0;
  while (Clock::now() < end) {
    EXPECT_EQ(port.ReadPort(), "");
    ++reads;
    Sleep(20);
  }
  const double cpu = cpuSeconds() - cpuBefore;
  EXPECT_LT(cpu, 0.5) << reads << " reads";
  std::printf("CPU %.2f s in 2 s of reads every 20 ms (%d reads)\n", cpu, reads);
  EXPECT_TRUE(port.deviceVanished());
  port.ClosePort();
}

}  // namespace
}  // namespace tarnwick::testing
