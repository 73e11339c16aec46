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
// The answer gap, the quiet after the last received byte that ends a read, is
// 20 ms for the window; a front end that knows its board answers in one burst
// may shorten it (1 to 20 ms) and so shorten every exchange. A front end whose
// board answers in lines may also end a read at a line end (AnswerEnd::Line):
// once the bytes read end with a line feed, a short quiet (kLineEndQuiet) ends
// the read, while inside a line the gap still does. The window's reads end
// only on the quiet.
//
// Trap: OpenPort shows its failure message while the device it has just
// opened is still open. Timers keep running inside a modal message box, so
// every call that arrives during that wait is treated as if no port were open.
#pragma once

#include <array>
#include <chrono>
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

// The quiet that ends a read: the window's timing, and the longest allowed.
inline constexpr std::chrono::milliseconds kWindowAnswerGap{20};
inline constexpr std::chrono::milliseconds kShortestAnswerGap{1};

// What ends an answer, besides a full buffer and the read's limit.
enum class AnswerEnd {
  Quiet,  // the answer gap after the last byte, the window's timing
  Line,   // the line-end quiet after a line feed; the answer gap inside a line
};
// The quiet after a line feed that ends an answer under AnswerEnd::Line: the
// longer of a few bytes' time at 115200 baud (three take 0.26 ms) and the
// system's timer grain.
inline constexpr std::chrono::milliseconds kLineEndQuiet{1};

class SerialPort {
 public:
  // An answer gap outside 1 to 20 ms is taken as the nearer of the two.
  SerialPort(SerialPlatform& platform, MessageService showMessage,
             std::chrono::milliseconds answerGap = kWindowAnswerGap,
             AnswerEnd answerEnd = AnswerEnd::Quiet);
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
  // Why the last OpenPort gave no open port, in the system's words; kind None
  // after one that opened, or before the first. A query only, like
  // deviceVanished(): OpenPort's results and its silence stay as they are.
  const OpenFailure& openFailure() const { return openFailure_; }

 private:
  template <class Char>
  std::int16_t writeText(std::basic_string_view<Char> text);
  std::int16_t failConfiguration(const std::string& message);
  void noteOpenFailure();

  SerialPlatform& platform_;
  MessageService showMessage_;
  PortTimeouts timeouts_;
  PortHandle portHandle = kInvalidPortHandle;
  std::array<std::uint8_t, 256> ioBuffer{};
  bool showingMessage_ = false;
  OpenFailure openFailure_;
};

}  // namespace tarnwick::serial
