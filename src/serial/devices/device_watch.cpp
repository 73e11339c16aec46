#include "serial/devices/device_watch.h"
#include "serial/devices/present_devices.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

namespace tarnwick::serial {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Whether a look is due: sleeps until it is, but never longer than `timeout`.
class Rhythm {
 public:
  explicit Rhythm(std::chrono::milliseconds interval) : interval_(interval) {}
  bool due(std::chrono::milliseconds timeout) {
    const auto now = Clock::now();
    if (next_ > now) {
      if (next_ - now > timeout) {
        std::this_thread::sleep_for(timeout);
        return false;
      }
      std::this_thread::sleep_until(next_);
    }
    next_ = Clock::now() + interval_;
    return true;
  }

 private:
  std::chrono::milliseconds interval_;
  Clock::time_point next_{};
};

class ListWatch : public DeviceWatch {
 public:
  ListWatch(PortListing listPorts, std::chrono::milliseconds interval)
      : listPorts_(std::move(listPorts)), rhythm_(interval) {}
  std::vector<DeviceEvent> next(std::chrono::milliseconds timeout) override {
    if (!rhythm_.due(timeout)) return {};
    return present_.update(listPorts_());
  }

 private:
  PortListing listPorts_;
  Rhythm rhythm_;
  PresentDevices present_;
};

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

// Named paths. A path stays the device's name, as the user named it, with
// what the port list says of the device it leads to, taken when it appears.
class PathWatch : public DeviceWatch {
 public:
  PathWatch(std::vector<std::string> paths, PortListing listPorts)
      : paths_(std::move(paths)), listPorts_(std::move(listPorts)), rhythm_(250ms) {}

  std::vector<DeviceEvent> next(std::chrono::milliseconds timeout) override {
    if (!rhythm_.due(timeout)) return {};
    std::optional<std::vector<PortDescription>> list;  // asked once a look, when needed
    std::vector<PortDescription> now;
    for (const auto& path : paths_) {
      std::error_code error;
      const bool exists = std::filesystem::exists(path, error);
      if (const PortDescription* known = present_.find(path); known != nullptr && exists) {
        now.push_back(*known);
        continue;
      }
      // A missing path of the file system is on no port list either. Reading
      // the list (udev's, every tty in sysfs) four times a second for an empty
      // socket cost an idle station a tenth of a core: only a name that is no
      // file (COM5) needs it.
      if (!exists && path.find('/') != std::string::npos) continue;
      if (!list) list = listPorts_();
      if (auto port = describe(path, exists, *list)) now.push_back(std::move(*port));
    }
    return present_.update(now);
  }

 private:
  // A name that is no file (COM5) is present while the list names it.
  static std::optional<PortDescription> describe(const std::string& path, bool exists,
                                                 const std::vector<PortDescription>& list) {
    for (const auto& port : list) {
      if (port.device == path || port.openName == path || (exists && sameFile(port.device, path))) {
        return PortDescription{path, port.openName == port.device ? path : port.openName, port.usb};
      }
    }
    if (!exists) return std::nullopt;
    return PortDescription{path, path, std::nullopt};
  }

  std::vector<std::string> paths_;
  PortListing listPorts_;
  Rhythm rhythm_;
  PresentDevices present_;
};

class CombinedWatch : public DeviceWatch {
 public:
  explicit CombinedWatch(std::vector<std::unique_ptr<DeviceWatch>> watches)
      : watches_(std::move(watches)) {}
  std::vector<DeviceEvent> next(std::chrono::milliseconds timeout) override {
    std::vector<DeviceEvent> events;
    for (std::size_t i = 0; i < watches_.size(); ++i) {
      auto more = watches_[i]->next(i == 0 ? timeout : 0ms);
      events.insert(events.end(), more.begin(), more.end());
    }
    return events;
  }

 private:
  std::vector<std::unique_ptr<DeviceWatch>> watches_;
};

}  // namespace

std::vector<DeviceEvent> PresentDevices::update(const std::vector<PortDescription>& now) {
  std::vector<DeviceEvent> events;
  std::map<std::string, PortDescription> next;
  for (const auto& port : now) next.emplace(port.device, port);
  for (const auto& [device, port] : present_) {
    if (next.count(device) == 0) events.push_back({DeviceEvent::Kind::Removed, port});
  }
  for (const auto& port : now) {
    if (present_.count(port.device) == 0) events.push_back({DeviceEvent::Kind::Added, port});
  }
  present_ = std::move(next);
  return events;
}

bool PresentDevices::add(const PortDescription& port) {
  return present_.emplace(port.device, port).second;
}

std::optional<PortDescription> PresentDevices::remove(const std::string& device) {
  const auto found = present_.find(device);
  if (found == present_.end()) return std::nullopt;
  PortDescription port = std::move(found->second);
  present_.erase(found);
  return port;
}

const PortDescription* PresentDevices::find(const std::string& device) const {
  const auto found = present_.find(device);
  return found == present_.end() ? nullptr : &found->second;
}

std::vector<PortDescription> PresentDevices::all() const {
  std::vector<PortDescription> ports;
  for (const auto& entry : present_) ports.push_back(entry.second);
  return ports;
}

std::unique_ptr<DeviceWatch> makePathWatch(std::vector<std::string> paths, PortListing listPorts) {
  return std::make_unique<PathWatch>(std::move(paths), std::move(listPorts));
}

std::unique_ptr<DeviceWatch> makeListWatch(PortListing listPorts,
                                           std::chrono::milliseconds interval) {
  return std::make_unique<ListWatch>(std::move(listPorts), interval);
}

std::unique_ptr<DeviceWatch> combineWatches(std::vector<std::unique_ptr<DeviceWatch>> watches) {
  return std::make_unique<CombinedWatch>(std::move(watches));
}

}  // namespace tarnwick::serial
