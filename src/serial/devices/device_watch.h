// Serial devices appearing and going, as they happen.
//
// How it works: a DeviceWatch hands out what happened since it was last
// asked, waiting a while for something to happen. Its first answer holds
// every device present at the start as Added, so that a caller need not list
// the ports itself and can miss nothing between a listing and the watch.
// What a device says about itself (USB path, ids, names, serial number) is
// taken when it is added and handed back with its removal: by then the
// system may have forgotten it.
//
//   makePortWatch    the system's serial ports: udev's monitor on Linux (a
//                    board's add comes within milliseconds), the port list
//                    asked every 300 ms elsewhere; one file per platform
//   makePathWatch    named device paths, such as the links udev makes and
//                    removes with each device (/dev/serial/by-path/...); a
//                    path is present while it exists or the port list names
//                    it (COM5), looked at every 250 ms; the device behind it
//                    is compared at each look, so a link re-pointed or a
//                    board back on a new port between two looks is a
//                    removal and an addition
//   combineWatches   several as one
//
// Trap: a device's name can come back for another device (ttyACM0 unplugged,
// another board plugged): a caller must go by the events, in their order.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/devices/port_enumeration.h"

namespace tarnwick::serial {

struct DeviceEvent {
  enum class Kind { Added, Removed };
  Kind kind = Kind::Added;
  // Removed: what the device said of itself when it was added.
  PortDescription port;
};

class DeviceWatch {
 public:
  virtual ~DeviceWatch() = default;
  // What happened since the last call, waiting up to `timeout` for the first
  // event; empty when nothing happened.
  virtual std::vector<DeviceEvent> next(std::chrono::milliseconds timeout) = 0;
  // The caller lost the device (its port hung up) though no removal came:
  // the watch forgets it, and a later look that finds it adds it afresh.
  // Every watch that keeps what is present must.
  virtual void forget(const std::string& /*device*/) {}
};

using PortListing = std::function<std::vector<PortDescription>()>;

// Which device a path that exists leads to now: equal at two looks only when
// the same device is behind it. The caller decides what "the same" is.
using PathIdentity = std::function<std::string(const std::string& path)>;

std::unique_ptr<DeviceWatch> makePortWatch();

// namesAreFiles: a path that is no file names no port in the listing, so it
// is not asked for one (the system's ports: portNamesAreFiles()).
std::unique_ptr<DeviceWatch> makePathWatch(std::vector<std::string> paths, PathIdentity identify,
                                           PortListing listPorts = listSerialPorts,
                                           bool namesAreFiles = portNamesAreFiles());

// The port list asked at every look, at most every `interval`: the watch of
// systems without device events, and a reference for tests.
std::unique_ptr<DeviceWatch> makeListWatch(PortListing listPorts,
                                           std::chrono::milliseconds interval);

// The first watch waits, the others are asked without waiting.
std::unique_ptr<DeviceWatch> combineWatches(std::vector<std::unique_ptr<DeviceWatch>> watches);

}  // namespace tarnwick::serial
