// Board names: what a user may type, and which ports of a list they pick.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/devices/board_name.h"

namespace tarnwick::serial {
namespace {

PortDescription usbPort(const std::string& device, std::uint16_t vendor, std::uint16_t product,
                        const std::string& serial, const std::string& location) {
  UsbPortIdentity usb;
  usb.vendorId = vendor;
  usb.productId = product;
  usb.serialNumber = serial;
  usb.location = location;
  return {device, device, usb};
}

std::vector<std::string> picked(const std::string& name,
                                const std::vector<PortDescription>& ports) {
  std::string error;
  const auto board = parseBoardName(name, error);
  if (!board) return {"error: " + error};
  std::vector<std::string> devices;
  for (const auto& port : resolveBoardName(*board, ports).ports) devices.push_back(port.device);
  return devices;
}

TEST(BoardNames, MalformedNamesAreRefusedWithAReason) {
  for (const char* name : {"usb:", "usb:2341", "usb:2341:", "usb:23411:0043", "usb:zz:0043",
                           "usb:2341:0043:", "serial:", "usb-path:", "COM5:"}) {
    std::string error;
    EXPECT_FALSE(parseBoardName(name, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
  }
  EXPECT_TRUE(isBoardName("usb-path:1-2"));
  EXPECT_FALSE(isBoardName("/dev/ttyUSB0"));
  EXPECT_FALSE(isBoardName("COM5:"));
}

// Which board each name picks from real devices is tested over umockdev; here
// what a device list alone decides.
TEST(BoardNames, OnlyUsbPortsThatAgreeInEveryFieldArePicked) {
  const std::vector<PortDescription> ports = {
      {"/dev/ttyS0", "/dev/ttyS0", std::nullopt},  // no USB: never picked
      usbPort("/dev/ttyACM0", 0x2341, 0x0043, "A:1", "1-2.1"),
      usbPort("/dev/ttyACM1", 0x2341, 0x0043, "", "1-2.2"),
      usbPort("/dev/ttyUSB0", 0x0403, 0x6001, "a:1", "1-2.3"),
  };
  using Devices = std::vector<std::string>;
  EXPECT_EQ(picked("usb:2341:43", ports), (Devices{"/dev/ttyACM0", "/dev/ttyACM1"}));
  EXPECT_EQ(picked("usb:0403:6001:A:1", ports), Devices{});  // serials keep their case
  EXPECT_EQ(picked("usb:2341:0043:A:1", ports), Devices{"/dev/ttyACM0"});
  EXPECT_EQ(picked("serial:a:1", ports), Devices{"/dev/ttyUSB0"});
}

}  // namespace
}  // namespace tarnwick::serial
