#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "flash/session/answer_delay_meter.h"

namespace tarnwick::flash {

std::string answerDelayAdvice(const std::string& device) {
  // A by-id link names no sysfs entry; the node it points to does.
  char real[PATH_MAX];
  const std::string node = realpath(device.c_str(), real) != nullptr ? real : device;
  const std::string name = node.substr(node.find_last_of('/') + 1);
  const std::string timer = "/sys/bus/usb-serial/devices/" + name + "/latency_timer";
  std::error_code error;
  const std::string how =
      std::filesystem::exists(timer, error)
          ? "as root, echo 1 > " + timer + " (until it is unplugged)"
          // Not a USB serial adapter this machine's driver gives a timer (or
          // no adapter at all): a command naming a file that is not there helps nobody.
          : "where its driver offers one (" + node + " shows no latency_timer in sysfs)";
  return "The flasher asked the port for its low-latency mode, which this one did not take. "
         "To shorten the wait, set the adapter's latency timer to 1 ms: " +
         how + ", or for good with the udev rule the README gives.";
}

}  // namespace tarnwick::flash
