// The operating system's serial-port services, one virtual call per service.
//
// SerialPort (serial_port.h) runs the steps of its five operations once, in
// shared code, and reaches the device only through this interface. Each
// platform supplies one implementation in its own file, chosen by the build:
//   serial_platform_posix.cpp  termios, poll() and a monotonic clock
//   serial_platform_win32.cpp  the kernel32 services of the same names
// and, for the flasher only, serial_platform_net.cpp for boards on the
// network (socket://, rfc2217://), picked by the port's name
// (serial_platform_factory.h).
// Tests substitute a fake to simulate failures that a real device will not
// produce on demand.
//
// Conventions shared by every implementation:
//   - A handle is a signed integer; kInvalidPortHandle (-1) refers to no
//     device. Every call made with it does nothing and reports failure.
//   - Calls never throw. Failures are results; lastError() gives the
//     platform's own error number of the call that failed last.
//   - lastOpenFailure() says, in the system's words, why the last open (or a
//     configuration step of the port it opened) failed. Each platform words
//     it for its own kind of device (a network one says "Connection refused").
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnwick::serial {

using PortHandle = std::intptr_t;
inline constexpr PortHandle kInvalidPortHandle = -1;

// Read and write time-outs in milliseconds, in the field order of the
// Win32 COMMTIMEOUTS record.
struct CommTimeouts {
  std::uint32_t readIntervalTimeout = 0;
  std::uint32_t readTotalTimeoutMultiplier = 0;
  std::uint32_t readTotalTimeoutConstant = 0;
  std::uint32_t writeTotalTimeoutMultiplier = 0;
  std::uint32_t writeTotalTimeoutConstant = 0;
};

// The device-control record built from a mode string such as
// "115200,n,8,1". Shared code only zeroes it and hands it from the builder
// to the applier unchanged; its bytes belong to the platform (a DCB on
// Windows, a baud rate and framing on POSIX).
struct DeviceControlRecord {
  alignas(std::max_align_t) unsigned char bytes[96] = {};
};

// Why a port did not open, for a front end that tells its user why.
enum class OpenFailureKind {
  None,              // the port opened, or no open was tried
  Unavailable,       // missing, held by another program, no permission: may change
  NotASerialDevice,  // the name exists but is no terminal: waiting will not help
};

struct OpenFailure {
  OpenFailureKind kind = OpenFailureKind::None;
  std::string reason;  // the system's words, such as "Permission denied"; may be empty
};

// The reason of a name that exists but is no serial device, on every platform.
inline constexpr char kNotASerialDevice[] = "not a serial device";

class SerialPlatform {
 public:
  virtual ~SerialPlatform() = default;

  // Opens an existing device by name for reading and writing, for this
  // program alone. Nothing is ever created. kInvalidPortHandle on failure.
  virtual PortHandle openExisting(const std::string& name) = 0;
  // Nonzero (true) on success for the four calls below.
  virtual bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
  virtual bool buildDeviceControl(const std::string& mode, DeviceControlRecord& record) = 0;
  virtual bool applyDeviceControl(PortHandle port, const DeviceControlRecord& record) = 0;
  // The error number of the call that failed last, in the platform's own numbering.
  virtual int lastError() = 0;
  // Fills buffer with up to count bytes within the time-outs; the number received.
  virtual std::uint32_t read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) = 0;
  // Writes count bytes within the time-outs; the number the device took.
  virtual std::uint32_t write(PortHandle port, const std::uint8_t* buffer, std::uint32_t count) = 0;
  // Returns once pending output has been passed to the device; discards nothing.
  virtual void flush(PortHandle port) = 0;
  // Releases the device; nonzero when a device was closed.
  virtual int close(PortHandle port) = 0;

  // Whether the device behind an open handle has gone for good (unplugged,
  // hung up). Answers at once and changes nothing, lastError() included. A
  // platform that cannot tell says false.
  virtual bool deviceVanished(PortHandle /*port*/) const { return false; }

  // Why the last openExisting, or the setting of time-outs or device control
  // on the port it opened, failed. Answers at once and changes nothing,
  // lastError() included. A platform that cannot tell gives no reason.
  virtual OpenFailure lastOpenFailure() const { return {OpenFailureKind::Unavailable, {}}; }
};

// The platform layer of the system the program was built for.
std::unique_ptr<SerialPlatform> makeSystemSerialPlatform();

}  // namespace tarnwick::serial
