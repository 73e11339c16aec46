// Serial devices appearing and going on Linux: udev's monitor.
//
// How it works: a monitor on udev's netlink group ("udev", after udev's
// rules have run, so the node has its permissions) filtered to the "tty"
// subsystem. Each add is described at once as the port list describes a
// port (udev_port.h); a removal is matched by the device node to what its add
// said. The list itself is asked at the start and, as a backstop, every
// couple of seconds: an event lost (the socket's buffer overflowed) or a
// system without a running udev still gets its devices seen, later. The
// list removes a device only once its node is gone too.
//
// Trap: the monitor must be listening before the first listing, or a device
// added between the two would be missed; one seen both ways is added once.
#include <libudev.h>
#include <poll.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "serial/devices/device_watch.h"
#include "serial/devices/present_devices.h"
#include "serial/devices/udev_port.h"

namespace tarnwick::serial {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct UdevRelease {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using Owned = std::unique_ptr<T, UdevRelease>;

class UdevWatch : public DeviceWatch {
 public:
  UdevWatch(Owned<udev> context, Owned<udev_monitor> monitor, std::chrono::milliseconds relist)
      : context_(std::move(context)), monitor_(std::move(monitor)), relist_(relist) {}

  std::vector<DeviceEvent> next(std::chrono::milliseconds timeout) override {
    std::vector<DeviceEvent> events;
    if (!listedOnce_) {
      listedOnce_ = true;
      relist(events);
      return events;
    }
    const auto untilRelist =
        std::chrono::duration_cast<std::chrono::milliseconds>(nextList_ - Clock::now());
    const auto wait = std::clamp(untilRelist, 0ms, timeout);
    pollfd ready{udev_monitor_get_fd(monitor_.get()), POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(wait.count())) > 0) receive(events);
    if (Clock::now() >= nextList_) relist(events);
    return events;
  }

  // Listed again at the next relist if it is still there.
  void forget(const std::string& device) override { present_.remove(device); }

 private:
  void relist(std::vector<DeviceEvent>& events) {
    receive(events);  // what came before the listing goes first
    std::vector<PortDescription> listed = listSerialPorts();
    // A listing that failed comes back empty: a device whose node is still
    // there stays, or a hiccup of udev would end every run as "vanished".
    for (const auto& port : present_.all()) {
      std::error_code error;
      const bool gone = std::none_of(listed.begin(), listed.end(), [&](const PortDescription& p) {
        return p.device == port.device;
      });
      if (gone && std::filesystem::exists(port.device, error)) listed.push_back(port);
    }
    const auto more = present_.update(listed);
    events.insert(events.end(), more.begin(), more.end());
    nextList_ = Clock::now() + relist_;
  }

  // Every event waiting; the monitor's socket does not block.
  void receive(std::vector<DeviceEvent>& events) {
    while (const Owned<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
      const char* action = udev_device_get_action(device.get());
      const char* node = udev_device_get_devnode(device.get());
      if (action == nullptr || node == nullptr) continue;
      const std::string what = action;
      if (what == "add") {
        const auto port = describeUdevPort(device.get());
        if (port && present_.add(*port)) events.push_back({DeviceEvent::Kind::Added, *port});
      } else if (what == "remove") {
        if (auto port = present_.remove(node)) {
          events.push_back({DeviceEvent::Kind::Removed, std::move(*port)});
        }
      }
    }
  }

  Owned<udev> context_;
  Owned<udev_monitor> monitor_;
  std::chrono::milliseconds relist_;
  bool listedOnce_ = false;
  Clock::time_point nextList_{};
  PresentDevices present_;
};

}  // namespace

std::unique_ptr<DeviceWatch> makeUdevWatch(std::chrono::milliseconds relist) {
  Owned<udev> context(udev_new());
  if (!context) return nullptr;
  Owned<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
  if (!monitor ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor.get()) < 0) {
    return nullptr;
  }
  return std::make_unique<UdevWatch>(std::move(context), std::move(monitor), relist);
}

std::unique_ptr<DeviceWatch> makePortWatch() {
  if (auto watch = makeUdevWatch(2s)) return watch;
  // No netlink socket (a locked-down container): the list, asked often.
  return makeListWatch(listSerialPorts, 300ms);
}

}  // namespace tarnwick::serial
