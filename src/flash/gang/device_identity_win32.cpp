// "COM5", "COM5:", "com5" and "\\.\COM5" are one DOS device name, which the
// system defines as a kernel device ("\Device\Serial0"); two names defined as
// the same kernel device are one port.
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "flash/gang/device_identity.h"

namespace tarnwick::flash {
namespace {

std::string dosDeviceName(std::string name) {
  const std::string local = "\\\\.\\";
  if (name.rfind(local, 0) == 0) name.erase(0, local.size());
  if (!name.empty() && name.back() == ':') name.pop_back();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

}  // namespace

std::string systemDeviceKey(const std::string& name) {
  const std::string dosName = dosDeviceName(name);
  char target[1024] = {};
  // A name with a folder in it is no DOS device name: it is its own key.
  if (dosName.find_first_of("\\/") == std::string::npos &&
      QueryDosDeviceA(dosName.c_str(), target, sizeof target) != 0) {
    return std::string("device ") + target;
  }
  return "name " + dosName;
}

// A COM name's kernel device is all the system tells; the port list's
// description (serial number, USB path) tells the rest.
std::string deviceNowKey(const std::string& name) {
  return systemDeviceKey(name);
}

}  // namespace tarnwick::flash
