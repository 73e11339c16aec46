// The serial ports of this system that a person would recognise.
//
// listSerialPorts() asks the system's own device registry afresh at each call
// (udev on Linux, SetupAPI on Windows; one file per platform, chosen by the
// build), so a board plugged in a moment ago is there. It is cheap enough to
// run at every connection attempt.
//
// Which ports count:
//   - every USB serial device (CDC-ACM boards, FTDI, CP210x, CH34x, PL2303
//     adapters and the like), with what its USB descriptors say about it;
//   - built-in UARTs only where the system reports hardware behind them, so
//     not the 32 ttyS nodes a PC kernel makes whether or not a UART is there;
//   - never a pseudo-terminal or a virtual console.
// The list is sorted by device name, ttyACM2 before ttyACM10 and COM2 before COM10.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::serial {

// What a USB serial device says about itself, and where it is plugged in.
struct UsbPortIdentity {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string manufacturer;  // empty when the device gives none
  std::string product;
  std::string serialNumber;
  std::optional<int> interfaceNumber;  // the port's interface on a composite device
  // The hub-port path, such as "1-2.3": the same for whichever board sits in
  // that socket of a fixture, serial number or not.
  std::string location;
  // The latency timer, in ms, that an FTDI driver keeps for the port among
  // the device's parameters (Windows); none where absent or not read.
  std::optional<int> latencyTimerMs{};
};

struct PortDescription {
  std::string device;                  // as the system names it: /dev/ttyACM0, COM5
  std::string openName;                // what to hand OpenPort: the same, or \\.\COM5 on Windows
  std::optional<UsbPortIdentity> usb;  // none for a built-in port
};

std::vector<PortDescription> listSerialPorts();

// Whether a name as a person types it names the listed port: its device or
// open name on Linux; on Windows any spelling of its DOS device name, in any
// case ("com5", "COM5:", "\\.\COM5").
bool namesPort(const std::string& name, const PortDescription& port);

// Whether every port the list can name is a file (Linux's device nodes), so a
// name that is no file names no port and the list need not be asked (Windows'
// COM ports are no files).
bool portNamesAreFiles();

// Sorts by device name with numbers compared as numbers (each platform's
// listSerialPorts ends with it).
void sortByDeviceName(std::vector<PortDescription>& ports);

}  // namespace tarnwick::serial
