// A device is its device number, whatever link or folder leads to it; any
// other file is its file system and inode.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "flash/gang/device_identity.h"

namespace tarnwick::flash {

std::string systemDeviceKey(const std::string& name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) return "name " + name;  // follows every link
  if (S_ISCHR(status.st_mode)) {
    return "char " + std::to_string(major(status.st_rdev)) + ":" +
           std::to_string(minor(status.st_rdev));
  }
  return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

// The node's inode too: devtmpfs makes a new one for each device added, so a
// board back as ttyACM0 is told from the one that left ttyACM0.
std::string deviceNowKey(const std::string& name) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) return "name " + name;
  return systemDeviceKey(name) + " node " + std::to_string(status.st_dev) + ":" +
         std::to_string(status.st_ino);
}

}  // namespace tarnwick::flash
