#include <climits>
#include <cstdlib>
#include <string>

#include "flash/session/answer_delay_meter.h"

namespace tarnwick::flash {

std::string answerDelayAdvice(const std::string& device) {
  // A by-id link names no sysfs entry; the node it points to does.
  char real[PATH_MAX];
  const std::string node = realpath(device.c_str(), real) != nullptr ? real : device;
  const std::string name = node.substr(node.find_last_of('/') + 1);
  return "The flasher asked the port for its low-latency mode, which this one did not take. "
         "To shorten the wait, set the adapter's latency timer to 1 ms: as root, "
         "echo 1 > /sys/bus/usb-serial/devices/" +
         name +
         "/latency_timer (until it is unplugged), or for good with the udev rule the README "
         "gives.";
}

}  // namespace tarnwick::flash
