#include "serial/net/serial_platform_factory.h"

#include "serial/net/network_address.h"

namespace tarnwick::serial {

std::unique_ptr<SerialPlatform> makeSerialPlatformFor(const std::string& portName) {
  return isNetworkPortName(portName) ? makeNetworkSerialPlatform() : makeSystemSerialPlatform();
}

}  // namespace tarnwick::serial
