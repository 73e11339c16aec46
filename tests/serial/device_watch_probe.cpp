// What udev's monitor sees, a line an event, for udev_monitor_test.py: "ready"
// once it watches, then "added DEVICE VID:PID SERIAL LOCATION" or "removed
// ..." (with what the device said when it came). Ends after COUNT events, or
// after 60 s.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "serial/devices/udev_port.h"

int main(int argc, char* argv[]) {
  using namespace std::chrono_literals;
  const int wanted = argc > 1 ? std::atoi(argv[1]) : 2;
  // Events only: the list that backs the monitor up would hide a deaf monitor.
  const auto watch = tarnwick::serial::makeUdevWatch(std::chrono::hours(1));
  if (!watch) {
    std::puts("no monitor");
    return 2;
  }
  watch->next(0ms);  // the devices present at the start
  std::puts("ready");
  std::fflush(stdout);
  int seen = 0;
  const auto until = std::chrono::steady_clock::now() + 60s;
  while (seen < wanted && std::chrono::steady_clock::now() < until) {
    for (const auto& event : watch->next(500ms)) {
      const auto& port = event.port;
      const bool added = event.kind == tarnwick::serial::DeviceEvent::Kind::Added;
      if (port.usb) {
        std::printf("%s %s %04x:%04x %s %s\n", added ? "added" : "removed", port.device.c_str(),
                    port.usb->vendorId, port.usb->productId, port.usb->serialNumber.c_str(),
                    port.usb->location.c_str());
      } else {
        std::printf("%s %s\n", added ? "added" : "removed", port.device.c_str());
      }
      std::fflush(stdout);
      ++seen;
    }
  }
  return seen == wanted ? 0 : 1;
}
