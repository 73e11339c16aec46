// Systems with neither udev nor SetupAPI: no device registry is asked, so the
// list is empty and a board name finds no board. Ports are still opened by
// their device names.
#include "serial/devices/port_enumeration.h"

namespace tarnwick::serial {

std::vector<PortDescription> listSerialPorts() {
  return {};
}

bool namesPort(const std::string& name, const PortDescription& port) {
  return name == port.device || name == port.openName;
}

bool portNamesAreFiles() {
  return true;
}

}  // namespace tarnwick::serial
