#include "flash/report/port_list.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace tarnwick::flash {
namespace {

// Keys in the order written, device first, for people who read it too.
using Json = nlohmann::ordered_json;
using serial::PortDescription;
using serial::UsbPortIdentity;

std::string hex4(std::uint16_t value) {
  char digits[5];
  std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(value));
  return digits;
}

// A device's own text on one line: control bytes shown as '?'.
std::string printable(std::string text) {
  std::replace_if(
      text.begin(), text.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
  return text;
}

std::string usbColumns(const UsbPortIdentity& usb) {
  std::string line = "  " + hex4(usb.vendorId) + ":" + hex4(usb.productId);
  for (const auto* text : {&usb.manufacturer, &usb.product}) {
    if (!text->empty()) line += "  " + printable(*text);
  }
  if (!usb.serialNumber.empty()) line += "  serial:" + printable(usb.serialNumber);
  if (usb.interfaceNumber) line += "  interface " + std::to_string(*usb.interfaceNumber);
  if (!usb.location.empty()) line += "  usb-path:" + printable(usb.location);
  return line;
}

Json textOrNull(const std::string& text) {
  return text.empty() ? Json() : Json(text);
}

Json portObject(const PortDescription& port) {
  Json object = {{"device", port.device}, {"usb", port.usb.has_value()}};
  const UsbPortIdentity none;
  const UsbPortIdentity& usb = port.usb ? *port.usb : none;
  object["vid"] = port.usb ? Json(hex4(usb.vendorId)) : Json();
  object["pid"] = port.usb ? Json(hex4(usb.productId)) : Json();
  object["manufacturer"] = textOrNull(usb.manufacturer);
  object["product"] = textOrNull(usb.product);
  object["serial_number"] = textOrNull(usb.serialNumber);
  object["interface"] = usb.interfaceNumber ? Json(*usb.interfaceNumber) : Json();
  object["location"] = textOrNull(usb.location);
  object["latency_timer_ms"] = usb.latencyTimerMs ? Json(*usb.latencyTimerMs) : Json();
  return object;
}

}  // namespace

std::string formatPortList(const std::vector<PortDescription>& ports) {
  std::size_t width = 0;
  for (const auto& port : ports) width = std::max(width, port.device.size());
  std::string text;
  for (const auto& port : ports) {
    std::string line = printable(port.device);
    if (port.usb) {
      line.resize(width, ' ');
      line += usbColumns(*port.usb);
    }
    text += line + "\n";
  }
  return text;
}

std::string formatPortListJson(const std::vector<PortDescription>& ports) {
  Json list = Json::array();
  for (const auto& port : ports) list.push_back(portObject(port));
  return list.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tarnwick::flash
