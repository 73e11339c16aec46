// The port list as --list prints it, for texts a device may really hold:
// bytes that are not UTF-8 and control bytes in its USB strings.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "flash/report/port_list.h"

namespace tarnwick::flash {
namespace {

TEST(PortList, DeviceStringsOfAnyBytesStayOneLineAPortAndValidJson) {
  serial::UsbPortIdentity usb;
  usb.vendorId = 0x1a86;
  usb.productId = 0x7523;
  usb.product = "USB\xff Serial\r\nFAKE";  // a cheap adapter's product string
  usb.serialNumber = "\xc3\xa9t\xc3\xa9";  // UTF-8, kept as it is
  const std::vector<serial::PortDescription> ports = {
      {"/dev/ttyUSB3", "/dev/ttyUSB3", usb},
      {"/dev/ttyS0", "/dev/ttyS0", std::nullopt},
  };

  const std::string list = formatPortList(ports);
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list;
  EXPECT_EQ(list.find('\r'), std::string::npos) << list;
  EXPECT_NE(list.find("1a86:7523"), std::string::npos) << list;

  nlohmann::json json;
  ASSERT_NO_THROW(json = nlohmann::json::parse(formatPortListJson(ports)));
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[0]["product"], "USB\xef\xbf\xbd Serial\r\nFAKE");  // U+FFFD for the lone byte
  EXPECT_EQ(json[0]["serial_number"], "\xc3\xa9t\xc3\xa9");
  EXPECT_EQ(json[1]["usb"], false);
  EXPECT_EQ(formatPortList({}), "");
  EXPECT_EQ(nlohmann::json::parse(formatPortListJson({})), nlohmann::json::array());
}

}  // namespace
}  // namespace tarnwick::flash
