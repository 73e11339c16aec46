// The serial ports of a Windows system: every present device, of whatever
// setup class, whose PortName is a COM port ("Ports (COM & LPT)" for most;
// virtual COM-port drivers often register a class of their own), and every
// name in HARDWARE\DEVICEMAP\SERIALCOMM, where each COM port's driver enters
// it. A port found only there is listed by its name alone.
//
// What a USB port says about itself comes from the device's identifiers:
//   hardware id  USB\VID_2341&PID_0043&MI_00  or  FTDIBUS\VID_0403+PID_6001+...
//   instance id  USB\VID_2341&PID_0043\85736323838351F0E1A1  (serial number
//                last, unless Windows made one up: then it holds '&')
//   location     PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3), written 1-2.3
// A port that is one interface of a composite device, or the child of an
// FTDI bus device, carries its serial number and location on its parent
// device, which is asked when the port itself has none.
//
// An FTDI port's latency timer is the "LatencyTimer" value its driver keeps
// in the device's own key (Device Parameters).
//
// Manufacturer and product are what the driver's setup information says
// ("Microsoft", "USB Serial Device"), not the board's own USB strings.
//
// Wine has no such devices, but fills SERIALCOMM for the ports it maps.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format off
#include <initguid.h>
#include <devguid.h>
#include <cfgmgr32.h>
#include <setupapi.h>
// clang-format on

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serial/devices/port_enumeration.h"

namespace tarnwick::serial {
namespace {

// A text property of a device node; the first string of a list property.
std::string nodeProperty(DEVINST node, ULONG property) {
  char buffer[1024] = {};
  ULONG size = sizeof buffer - 2;  // keeps the two closing zeros of a list
  if (CM_Get_DevNode_Registry_PropertyA(node, property, nullptr, buffer, &size, 0) != CR_SUCCESS) {
    return std::string();
  }
  return std::string(buffer);
}

std::string instanceId(DEVINST node) {
  char buffer[MAX_DEVICE_ID_LEN + 1] = {};
  if (CM_Get_Device_IDA(node, buffer, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return std::string();
  return std::string(buffer);
}

// The hex number after `key` in an identifier ("VID_2341" -> 0x2341).
std::optional<unsigned long> hexAfter(const std::string& id, const char* key, std::size_t digits) {
  const auto at = id.find(key);
  if (at == std::string::npos) return std::nullopt;
  const std::string number = id.substr(at + std::strlen(key), digits);
  char* end = nullptr;
  const unsigned long value = std::strtoul(number.c_str(), &end, 16);
  if (number.size() != digits || *end != '\0') return std::nullopt;
  return value;
}

// The serial number at the end of a USB device's instance id, if it is the device's own.
std::string serialFromInstanceId(const std::string& id) {
  if (id.rfind("USB\\VID_", 0) != 0) return std::string();
  const auto slash = id.rfind('\\');
  const std::string last = id.substr(slash + 1);
  return last.find('&') == std::string::npos ? last : std::string();
}

// PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)#USBMI(0) -> "1-2.3".
std::string locationFromPaths(const std::string& paths) {
  const auto root = paths.find("USBROOT(");
  if (root == std::string::npos) return std::string();
  std::string location = std::to_string(std::atoi(paths.c_str() + root + 8) + 1);
  char separator = '-';
  for (auto at = paths.find("#USB(", root); at != std::string::npos;
       at = paths.find("#USB(", at + 1)) {
    location += separator + std::to_string(std::atoi(paths.c_str() + at + 5));
    separator = '.';
  }
  return separator == '-' ? std::string() : location;
}

// The property of the port's node, or else of its parent device.
std::string ownOrParent(DEVINST node, DEVINST parent, ULONG property) {
  std::string value = nodeProperty(node, property);
  return value.empty() && parent != 0 ? nodeProperty(parent, property) : value;
}

std::optional<UsbPortIdentity> usbIdentity(DEVINST node) {
  DEVINST parent = 0;
  if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) parent = 0;
  const std::string hardwareId = nodeProperty(node, CM_DRP_HARDWAREID);
  const auto vendor = hexAfter(hardwareId, "VID_", 4);
  const auto product = hexAfter(hardwareId, "PID_", 4);
  if (!vendor || !product) return std::nullopt;
  UsbPortIdentity usb;
  usb.vendorId = static_cast<std::uint16_t>(*vendor);
  usb.productId = static_cast<std::uint16_t>(*product);
  usb.manufacturer = nodeProperty(node, CM_DRP_MFG);
  usb.product = nodeProperty(node, CM_DRP_DEVICEDESC);
  usb.serialNumber = serialFromInstanceId(instanceId(node));
  if (usb.serialNumber.empty() && parent != 0) {
    usb.serialNumber = serialFromInstanceId(instanceId(parent));
  }
  if (const auto interface = hexAfter(hardwareId, "MI_", 2)) {
    usb.interfaceNumber = static_cast<int>(*interface);
  }
  usb.location = locationFromPaths(ownOrParent(node, parent, CM_DRP_LOCATION_PATHS));
  return usb;
}

// "COM5" from the device's own registry key, or empty for LPT ports and the like.
std::string comPortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return std::string();
  char name[64] = {};
  DWORD size = sizeof name - 1;
  DWORD type = 0;
  const LONG result =
      RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::string();
  const std::string portName(name);
  return portName.rfind("COM", 0) == 0 ? portName : std::string();
}

// COM10 and above open only by their device path; it works for every COM port.
PortDescription describedPort(const std::string& name, std::optional<UsbPortIdentity> usb) {
  return {name, "\\\\.\\" + name, std::move(usb)};
}

// The latency timer an FTDI driver keeps among the device's parameters
// ("LatencyTimer", a DWORD in ms); none for other drivers.
std::optional<int> latencyTimerMs(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  const HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return std::nullopt;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  const LONG result =
      RegQueryValueExA(key, "LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return static_cast<int>(value);
}

bool listed(const std::vector<PortDescription>& ports, const std::string& name) {
  for (const PortDescription& port : ports) {
    if (_stricmp(port.device.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

void addDevicePorts(std::vector<PortDescription>& ports) {
  const HDEVINFO devices =
      SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const std::string name = comPortName(devices, device);
    if (name.empty() || listed(ports, name)) continue;
    PortDescription port = describedPort(name, usbIdentity(device.DevInst));
    if (port.usb) port.usb->latencyTimerMs = latencyTimerMs(devices, device);
    ports.push_back(std::move(port));
  }
  SetupDiDestroyDeviceInfoList(devices);
}

// The values of SERIALCOMM are the port names ("\Device\Serial0" = "COM1").
void addSerialCommPorts(std::vector<PortDescription>& ports) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  for (DWORD index = 0;; ++index) {
    char valueName[256] = {};
    DWORD nameSize = sizeof valueName;
    char data[64] = {};
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    const LONG result = RegEnumValueA(key, index, valueName, &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::string name(data);
    if (name.rfind("COM", 0) == 0 && !listed(ports, name)) {
      ports.push_back(describedPort(name, std::nullopt));
    }
  }
  RegCloseKey(key);
}

// "\\.\COM5", "COM5:" and "com5" -> "COM5"; the system reads DOS device names so.
std::string dosDeviceName(std::string name) {
  const std::string local = "\\\\.\\";
  if (name.rfind(local, 0) == 0) name.erase(0, local.size());
  if (!name.empty() && name.back() == ':') name.pop_back();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace

bool namesPort(const std::string& name, const PortDescription& port) {
  return name == port.openName || dosDeviceName(name) == dosDeviceName(port.device);
}

bool portNamesAreFiles() {
  return false;
}

std::vector<PortDescription> listSerialPorts() {
  std::vector<PortDescription> ports;
  addDevicePorts(ports);
  addSerialCommPorts(ports);
  sortByDeviceName(ports);
  return ports;
}

}  // namespace tarnwick::serial
