// Which device a port name reaches, so that --every sees one board named
// twice (a link and its target, /dev/serial/by-id/..., COM5 and \\.\COM5)
// as one board, not two sessions on one port.
//
// How it works: the system is asked what the name leads to (the device
// number of a character device, the file itself otherwise; on Windows the
// kernel device a COM name is defined as), and two names with the same key
// reach the same device. A name the system cannot look at now (a missing
// device) is its own key: its session fails as a missing port does. A
// network name is keyed by its host and port as written, whichever scheme.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarnwick::flash {

// Equal for two names of one device.
std::string deviceKey(const std::string& name);

// The first two of `names` that reach one device: "/dev/pts/0 and lnk"; empty when none do.
std::optional<std::string> oneDeviceNamedTwice(const std::vector<std::string>& names);

// The system's part of deviceKey, in device_identity_posix.cpp / _win32.cpp.
std::string systemDeviceKey(const std::string& name);

// Which device a name leads to now, for telling a board from the next one
// under the same name: deviceKey, and where the system makes a device's node
// afresh each time it comes, which node (a board back on the same number is
// another node). Stays the same while the device stays, whatever its port does.
std::string deviceNowKey(const std::string& name);

}  // namespace tarnwick::flash
