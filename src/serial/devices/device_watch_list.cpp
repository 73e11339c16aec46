// Serial devices appearing and going where the system gives no events to a
// plain program (Windows without a window to receive them, others): the port
// list, asked every 300 ms, which is well within a second.
#include "serial/devices/device_watch.h"

namespace tarnwick::serial {

std::unique_ptr<DeviceWatch> makePortWatch() {
  return makeListWatch(listSerialPorts, std::chrono::milliseconds(300));
}

}  // namespace tarnwick::serial
