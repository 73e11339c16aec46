// What PORT names, looked up afresh before each connection attempt, and why
// a port did not open, in words that say what to do about it.
//
// A device name is used as typed. A board name (board_name.h) is resolved
// against the system's serial ports at every attempt, so a board plugged in
// during the attempts is found when it appears: one match gives the device to
// open; none yet is a failed attempt like a missing device; several end the
// run, since only the user can say which board was meant.
//
// Trap: with no match, the name handed to the port layer is empty, which no
// system opens; the board name itself could be a file's name (./usb:...).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/devices/board_name.h"
#include "serial/devices/port_enumeration.h"

namespace tarnwick::flash {

using PortLister = std::function<std::vector<serial::PortDescription>()>;

class PortTarget {
 public:
  // `given` is PORT as typed; a board name in it has been checked already.
  explicit PortTarget(std::string given, PortLister lister = serial::listSerialPorts);

  struct Found {
    serial::BoardMatch match = serial::BoardMatch::One;
    std::string openName;                        // what to open: empty unless one port matched
    std::string device;                          // that port as the system names it
    std::vector<serial::PortDescription> ports;  // every match (with a board name)
  };

  const std::string& given() const { return given_; }
  bool isBoardName() const { return board_.has_value(); }
  // A device name is found as itself, without asking the system.
  Found lookUp() const;

 private:
  std::string given_;
  std::optional<serial::BoardName> board_;
  PortLister lister_;
};

// Why several ports match a board name, with the list of them.
std::string severalBoardsMessage(const std::string& boardName,
                                 const std::vector<serial::PortDescription>& ports);

// The system's reason why a port did not open, with the way out where one is
// known ("Permission denied": the dialout group).
std::string reasonWithWayOut(const std::string& reason);

}  // namespace tarnwick::flash
