// The devices a watch knows to be present, by name, with what each said of
// itself when it came: the events are the differences. Shared by the watches.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "serial/devices/device_watch.h"

namespace tarnwick::serial {

class PresentDevices {
 public:
  // The events that make the set `now`: removals first, then additions.
  std::vector<DeviceEvent> update(const std::vector<PortDescription>& now);
  // False when the device was present already.
  bool add(const PortDescription& port);
  // What the device said when it came; nothing when it was not present.
  std::optional<PortDescription> remove(const std::string& device);
  const PortDescription* find(const std::string& device) const;
  std::vector<PortDescription> all() const;

 private:
  std::map<std::string, PortDescription> present_;
};

}  // namespace tarnwick::serial
