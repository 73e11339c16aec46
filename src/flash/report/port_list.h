// The serial ports of the system as `tarnwick-flash --list` shows them.
//
// formatPortList: one port a line, for a person: the device, then for a USB
// port its vendor:product id, manufacturer and product, and the serial number
// and USB location written as the board names that select them
// (serial:..., usb-path:...), so a line tells what to type as PORT.
//
// formatPortListJson: the same ports as a JSON array, one object a port with
// every key present (null where a port has no such thing).
//
// Trap: device strings are the device's own bytes. A control byte would break
// the one-line-a-port layout and is shown as '?'; in JSON, bytes that are not
// UTF-8 become U+FFFD, since a JSON text must be UTF-8.
#pragma once

#include <string>
#include <vector>

#include "serial/devices/port_enumeration.h"

namespace tarnwick::flash {

// Empty for no ports: the caller says so in its own words.
std::string formatPortList(const std::vector<serial::PortDescription>& ports);
// "[]" for no ports; ends with a line end.
std::string formatPortListJson(const std::vector<serial::PortDescription>& ports);

}  // namespace tarnwick::flash
