// One tty device as udev knows it, described as the port list describes it
// (port_enumeration_udev.cpp): shared by the list and udev's monitor, so that
// a board seen either way says the same about itself. Linux only.
#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "serial/devices/device_watch.h"
#include "serial/devices/port_enumeration.h"

struct udev_device;

namespace tarnwick::serial {

// Nothing for a tty without hardware behind it (a console, a ttyS without a UART).
std::optional<PortDescription> describeUdevPort(udev_device* port);

// udev's monitor, with the list asked again every `relist` as a backstop;
// null when no monitor can be made.
std::unique_ptr<DeviceWatch> makeUdevWatch(std::chrono::milliseconds relist);

}  // namespace tarnwick::serial
