#include "flash/gang/device_identity.h"

#include <algorithm>
#include <cctype>

#include "serial/net/network_address.h"

namespace tarnwick::flash {

std::string deviceKey(const std::string& name) {
  if (const auto address = serial::parseNetworkAddress(name)) {
    std::string host = address->host;
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return "net " + host + " " + address->service;
  }
  return systemDeviceKey(name);
}

std::optional<std::string> oneDeviceNamedTwice(const std::vector<std::string>& names) {
  std::vector<std::string> keys;
  for (const auto& name : names) {
    const std::string key = deviceKey(name);
    const auto seen = std::find(keys.begin(), keys.end(), key);
    if (seen != keys.end())
      return names[static_cast<std::size_t>(seen - keys.begin())] + " and " + name;
    keys.push_back(key);
  }
  return std::nullopt;
}

}  // namespace tarnwick::flash
