// The program's one serial port: open, read, write, flush, close.
//
// SerialPort holds the port handle and the single 256-byte transfer buffer,
// and runs each operation's steps over a SerialPlatform. It never raises an
// error: results say what happened, and the three configuration failures of
// OpenPort are shown to the user through the MessageService it is given.
//
// Text: std::string holds 8-bit text, one byte per character (Latin-1).
// Text typed by a person arrives as std::u32string, so that a character with
// no 8-bit code can be refused here, where the conversion lives.
//
// Trap: OpenPort shows its failure message while the device it has just
// opened is still open. Timers keep running inside a modal message box, so
// every call that arrives during that wait is treated as if no port were open.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/serial_platform.h"

namespace tarnwick::serial {

// Shows a configuration failure to the user and returns once it is dismissed.
using MessageService = std::function<void(const std::string& message)>;

// The Boolean results of OpenPort as 16-bit values: only -1 is success.
inline constexpr std::int16_t kPortTrue = -1;
inline constexpr std::int16_t kPortFalse = 0;

class SerialPort {
 public:
  SerialPort(SerialPlatform& platform, MessageService showMessage);
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  std::int16_t OpenPort(std::u32string_view portName, std::string_view settings);
  std::string ReadPort();
  std::int16_t WritePort(std::string_view text);
  std::int16_t WritePort(std::u32string_view text);
  void FlushPort();
  int ClosePort();

  bool isOpen() const { return portHandle != kInvalidPortHandle; }
  // True when the open port's device has gone (unplugged, hung up): it will
  // not come back under this handle. A query only: no operation looks at it,
  // and it is false while no port is open.
  bool deviceVanished() const;

 private:
  template <class Char>
  std::int16_t writeText(std::basic_string_view<Char> text);
  std::int16_t failConfiguration(const std::string& message);

  SerialPlatform& platform_;
  MessageService showMessage_;
  PortHandle portHandle = kInvalidPortHandle;
  std::array<std::uint8_t, 256> ioBuffer{};
  bool showingMessage_ = false;
};

}  // namespace tarnwick::serial
