// The operating system's serial-port services, one virtual call per service.
//
// SerialPort (serial_port.h) runs the steps of its five operations once, in
// shared code, and reaches the device only through this interface. Each
// platform supplies one implementation in its own file, chosen by the build:
//   serial_platform_posix.cpp  termios, poll() and a monotonic clock
//   serial_platform_win32.cpp  the kernel32 services of the same names
// and, for the flasher only, serial_platform_net.cpp for boards on the
// network (socket://, rfc2217://), picked by the port's name
// (net/serial_platform_factory.h).
// Tests substitute a fake to simulate failures that a real device will not
// produce on demand.
//
// Conventions shared by every implementation:
//   - A handle is a signed integer; kInvalidPortHandle (-1) refers to no
//     device. Every call made with it does nothing and reports failure.
//   - A port's configuration comes in plain terms: time-outs as spans of
//     time, the line as parsed settings. Only the Win32 platform meets the
//     mode string in its system's own terms (BuildCommDCBA).
//   - Calls never throw. Failures are results; lastError() gives the
//     platform's own error number of the call that failed last.
//   - lastOpenFailure() says, in the system's words, why the last open (or a
//     configuration step of the port it opened) failed. Each platform words
//     it for its own kind of device (a network one says "Connection refused").
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/mode_string.h"

namespace tarnwick::serial {

using PortHandle = std::intptr_t;
inline constexpr PortHandle kInvalidPortHandle = -1;

// How long the transfers on an open port may take. A transfer of n bytes
// ends at the latest perByte x n + constant after it began.
struct TransferLimit {
  std::chrono::milliseconds perByte{0};
  std::chrono::milliseconds constant{0};

  std::chrono::milliseconds forBytes(std::uint64_t count) const {
    return perByte * static_cast<std::int64_t>(count) + constant;
  }
};

// The time-outs of an open port. A read ends with a full buffer, at its
// limit, or, once a byte has arrived, when `answerGap` passes without a
// further byte (zero: no such rule): the quiet that ends an answer. With a
// `lineEndQuiet` (zero: none), a read whose bytes so far end with a line feed
// ends sooner, once that much quiet has followed it; inside a line the answer
// gap still applies, so a line cut by a stall is not taken for two answers.
struct PortTimeouts {
  std::chrono::milliseconds answerGap{0};
  std::chrono::milliseconds lineEndQuiet{0};
  TransferLimit read;
  TransferLimit write;
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
  // True on success for the three calls below.
  virtual bool setTimeouts(PortHandle port, const PortTimeouts& timeouts) = 0;
  // Reads a mode string such as "115200,n,8,1" into line settings; false when
  // it is none, or names settings this platform cannot give a port.
  virtual bool readLineMode(const std::string& mode, LineMode& line) = 0;
  // Gives the open port's line these settings, no flow control, raw bytes.
  virtual bool applyLineMode(PortHandle port, const LineMode& line) = 0;
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
