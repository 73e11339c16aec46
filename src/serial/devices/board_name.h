// A board named by what it is rather than by the device it got this time.
//
//   usb:VVVV:PPPP          USB vendor and product id, in hex (usb:2341:0043)
//   usb:VVVV:PPPP:SERIAL   ... and the USB serial number
//   serial:SERIAL          the USB serial number alone
//   usb-path:LOCATION      the physical USB location, the hub-port path (1-2.3)
//
// A front end parses the name once and resolves it against a fresh
// enumeration (port_enumeration.h) at every connection attempt: a board
// plugged in meanwhile is found when it appears. No match yet is like a
// missing device; more than one is a question only the user can answer, so
// the caller must not pick one.
//
// Resolution is plain comparison over the list, with no system call.
//
// Trap: a port name that starts with one of these prefixes is always taken
// for a board name; a device or file called so is reached as ./usb:... .
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/devices/port_enumeration.h"

namespace tarnwick::serial {

// What a board name asks for; a port matches when every field given agrees.
struct BoardName {
  std::optional<std::uint16_t> vendorId;
  std::optional<std::uint16_t> productId;
  std::optional<std::string> serialNumber;  // compared exactly, case and all
  std::optional<std::string> location;
};

// Whether a port name is meant as a board name (has one of the prefixes).
bool isBoardName(std::string_view portName);

// The board a name asks for, or nothing with `error` saying what is wrong
// with it (for a usage message), such as a vendor id that is not hex.
std::optional<BoardName> parseBoardName(std::string_view portName, std::string& error);

bool boardMatches(const BoardName& board, const PortDescription& port);

enum class BoardMatch { None, One, Several };

struct BoardResolution {
  BoardMatch match = BoardMatch::None;
  std::vector<PortDescription> ports;  // every matching port, in the list's order
};

BoardResolution resolveBoardName(const BoardName& board, const std::vector<PortDescription>& ports);

}  // namespace tarnwick::serial
