// Which serial platform serves a port name, decided at run time by the name:
// socket:// and rfc2217:// names go to the network platform, every other
// name to the system's own serial ports, exactly as typed.
//
// Only the flasher asks here; the window always uses the system's platform
// and hands the typed name to the system as it stands.
#pragma once

#include <memory>
#include <string>

#include "serial/serial_platform.h"

namespace tarnwick::serial {

std::unique_ptr<SerialPlatform> makeSerialPlatformFor(const std::string& portName);

// The platform for network port names. A system built without one gets a
// platform that refuses every such name: each open fails, with the system's
// "not supported" error.
std::unique_ptr<SerialPlatform> makeNetworkSerialPlatform();

}  // namespace tarnwick::serial
