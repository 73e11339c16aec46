// The serial ports of a Linux system, as udev knows them.
//
// Every device of the "tty" subsystem with a device node is looked at:
//   - one below a USB device is a USB serial port, whichever driver serves it
//     (cdc_acm, ftdi_sio, cp210x, ch341, pl2303, ...);
//   - one with no parent device is virtual (consoles, ptmx, the old BSD
//     pseudo-terminals; /dev/pts is not in udev at all) and is left out;
//   - one of the kernel's serial core whose "type" is 0 (PORT_UNKNOWN) is a
//     node without a UART behind it, such as the ttyS4..ttyS31 that the 8250
//     driver makes on every PC, and is left out as well.
//
// What a USB port says about itself is read from the sysfs attributes of its
// USB device and interface, through udev. Not from udev's properties
// (ID_SERIAL_SHORT, ...): those exist only where the udev daemon runs, which
// is not so in many containers.
//
// Trap: udev_device_get_parent* return devices owned by their child; only
// what udev_*_new returned is unreferenced here.
#include <libudev.h>

#include <cstdlib>
#include <memory>

#include "serial/devices/port_enumeration.h"
#include "serial/devices/udev_port.h"

namespace tarnwick::serial {
namespace {

struct UdevRelease {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using Owned = std::unique_ptr<T, UdevRelease>;

std::string text(const char* value) {
  return value != nullptr ? std::string(value) : std::string();
}

// A sysfs attribute, empty when the device has none (a device without a
// serial number string, a port with no interface above it).
std::string attribute(udev_device* device, const char* name) {
  return device != nullptr ? text(udev_device_get_sysattr_value(device, name)) : std::string();
}

// A number written in hex ("2341", "00"), or nothing when it is not one.
std::optional<unsigned long> hexNumber(const std::string& digits) {
  if (digits.empty() || digits.size() > 4) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
  if (*end != '\0') return std::nullopt;
  return value;
}

UsbPortIdentity usbIdentity(udev_device* port, udev_device* usbDevice) {
  udev_device* interface =
      udev_device_get_parent_with_subsystem_devtype(port, "usb", "usb_interface");
  UsbPortIdentity usb;
  usb.vendorId =
      static_cast<std::uint16_t>(hexNumber(attribute(usbDevice, "idVendor")).value_or(0));
  usb.productId =
      static_cast<std::uint16_t>(hexNumber(attribute(usbDevice, "idProduct")).value_or(0));
  usb.manufacturer = attribute(usbDevice, "manufacturer");
  usb.product = attribute(usbDevice, "product");
  usb.serialNumber = attribute(usbDevice, "serial");
  if (auto number = hexNumber(attribute(interface, "bInterfaceNumber"))) {
    usb.interfaceNumber = static_cast<int>(*number);
  }
  usb.location = text(udev_device_get_sysname(usbDevice));
  return usb;
}

// Whether a port outside USB has hardware behind it.
bool isBuiltInHardware(udev_device* port) {
  if (udev_device_get_parent(port) == nullptr) return false;
  const char* type = udev_device_get_sysattr_value(port, "type");
  return type == nullptr || std::string(type) != "0";
}

}  // namespace

std::optional<PortDescription> describeUdevPort(udev_device* port) {
  const char* node = udev_device_get_devnode(port);
  if (node == nullptr) return std::nullopt;
  PortDescription description{node, node, std::nullopt};
  if (udev_device* usbDevice =
          udev_device_get_parent_with_subsystem_devtype(port, "usb", "usb_device")) {
    description.usb = usbIdentity(port, usbDevice);
    return description;
  }
  if (!isBuiltInHardware(port)) return std::nullopt;
  return description;
}

std::vector<PortDescription> listSerialPorts() {
  std::vector<PortDescription> ports;
  const Owned<udev> context(udev_new());
  if (!context) return ports;
  const Owned<udev_enumerate> search(udev_enumerate_new(context.get()));
  if (!search || udev_enumerate_add_match_subsystem(search.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(search.get()) < 0) {
    return ports;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(search.get())) {
    const Owned<udev_device> port(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!port) continue;  // gone between the scan and now
    if (auto description = describeUdevPort(port.get())) ports.push_back(std::move(*description));
  }
  sortByDeviceName(ports);
  return ports;
}

bool namesPort(const std::string& name, const PortDescription& port) {
  return name == port.device || name == port.openName;
}

bool portNamesAreFiles() {
  return true;
}

}  // namespace tarnwick::serial
