#include "flash/session/port_target.h"

#include <utility>

#include "flash/report/port_list.h"

namespace tarnwick::flash {

PortTarget::PortTarget(std::string given, PortLister lister)
    : given_(std::move(given)), lister_(std::move(lister)) {
  std::string error;
  if (serial::isBoardName(given_)) board_ = serial::parseBoardName(given_, error);
}

PortTarget::Found PortTarget::lookUp() const {
  if (!board_) return Found{serial::BoardMatch::One, given_, given_, {}};
  serial::BoardResolution resolution = serial::resolveBoardName(*board_, lister_());
  Found found{resolution.match, {}, {}, std::move(resolution.ports)};
  if (found.match == serial::BoardMatch::One) {
    found.openName = found.ports.front().openName;
    found.device = found.ports.front().device;
  }
  return found;
}

std::string severalBoardsMessage(const std::string& boardName,
                                 const std::vector<serial::PortDescription>& ports) {
  std::string list = formatPortList(ports);
  if (!list.empty() && list.back() == '\n') list.pop_back();
  return boardName + " matches " + std::to_string(ports.size()) +
         " ports; name one board by its serial number (serial:...) or its USB socket "
         "(usb-path:...):\n" +
         list;
}

std::string reasonWithWayOut(const std::string& reason) {
  if (reason == "Permission denied") {
    return reason +
           " (the user may not use serial ports: add it to the group dialout with "
           "'sudo usermod -aG dialout $USER', then log in again)";
  }
  if (reason == "Device or resource busy") return reason + " (another program holds the port)";
  if (reason == "No such file or directory") {
    return reason + " (no device has this name now; --list shows the serial ports)";
  }
  return reason;
}

}  // namespace tarnwick::flash
