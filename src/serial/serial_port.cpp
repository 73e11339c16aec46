#include "serial/serial_port.h"

#include <algorithm>
#include <utility>

namespace tarnwick::serial {
namespace {

using std::chrono::milliseconds;

// The time-outs every open port gets: a read ends `answerGap` ms (20 for the
// window) after its last byte, or 255 x 1 + 1 = 256 ms after it began; a
// write of n bytes within n + 10 ms.
PortTimeouts portTimeouts(milliseconds answerGap, AnswerEnd answerEnd) {
  PortTimeouts timeouts;
  timeouts.answerGap = std::clamp(answerGap, kShortestAnswerGap, kWindowAnswerGap);
  timeouts.lineEndQuiet = answerEnd == AnswerEnd::Line ? kLineEndQuiet : milliseconds{0};
  timeouts.read = TransferLimit{milliseconds{1}, milliseconds{1}};
  timeouts.write = TransferLimit{milliseconds{1}, milliseconds{10}};
  return timeouts;
}

// A transfer moves at most this many bytes; the buffer's last entry stays unused.
constexpr std::size_t kPieceSize = 255;

// The 8-bit code of a character, or false when it has none.
bool eightBitCode(char c, std::uint8_t& code) {
  code = static_cast<std::uint8_t>(c);
  return true;
}
bool eightBitCode(char32_t c, std::uint8_t& code) {
  if (c > 0xFF) return false;
  code = static_cast<std::uint8_t>(c);
  return true;
}

bool toEightBitText(std::u32string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (char32_t c : text) {
    std::uint8_t code = 0;
    if (!eightBitCode(c, code)) return false;
    out.push_back(static_cast<char>(code));
  }
  return true;
}

}  // namespace

SerialPort::SerialPort(SerialPlatform& platform, MessageService showMessage, milliseconds answerGap,
                       AnswerEnd answerEnd)
    : platform_(platform),
      showMessage_(std::move(showMessage)),
      timeouts_(portTimeouts(answerGap, answerEnd)) {}

std::int16_t SerialPort::OpenPort(std::u32string_view portName, std::string_view settings) {
  if (showingMessage_) return kPortFalse;
  std::string name;
  // A name the device layer cannot even be given opens nothing, like a missing device.
  if (!toEightBitText(portName, name)) {
    portHandle = kInvalidPortHandle;
    openFailure_ = {OpenFailureKind::Unavailable, "no device has this name"};
    return kPortFalse;
  }
  portHandle = platform_.openExisting(name);
  if (portHandle == kInvalidPortHandle) {
    noteOpenFailure();
    return kPortFalse;
  }

  if (!platform_.setTimeouts(portHandle, timeouts_)) {
    return failConfiguration("Unable to set timeouts for port " + name + " Error: ");
  }
  LineMode line;
  const std::string mode(settings);
  if (!platform_.readLineMode(mode, line)) {
    return failConfiguration("Unable to build Comm DCB " + mode + " Error: ");
  }
  if (!platform_.applyLineMode(portHandle, line)) {
    return failConfiguration("Unable to set Comm DCB " + mode + " Error: ");
  }
  openFailure_ = OpenFailure{};
  return kPortTrue;
}

void SerialPort::noteOpenFailure() {
  openFailure_ = platform_.lastOpenFailure();
  // A platform that says nothing still failed: the caller must not see success.
  if (openFailure_.kind == OpenFailureKind::None) openFailure_.kind = OpenFailureKind::Unavailable;
}

std::int16_t SerialPort::failConfiguration(const std::string& messageStart) {
  // The error number first, before any other call can replace it.
  const int error = platform_.lastError();
  noteOpenFailure();
  if (showMessage_) {
    // Calls that arrive while the user reads this find no port: the device
    // opened above must stay untouched until it is closed below.
    showingMessage_ = true;
    showMessage_(messageStart + std::to_string(error));
    showingMessage_ = false;
  }
  platform_.close(portHandle);
  portHandle = kInvalidPortHandle;
  return kPortFalse;
}

std::string SerialPort::ReadPort() {
  const std::uint32_t received =
      showingMessage_ ? 0 : platform_.read(portHandle, ioBuffer.data(), kPieceSize);
  if (received > 0) {
    return std::string(reinterpret_cast<const char*>(ioBuffer.data()), received);
  }
  FlushPort();
  return std::string();
}

std::int16_t SerialPort::WritePort(std::string_view text) {
  return writeText(text);
}

std::int16_t SerialPort::WritePort(std::u32string_view text) {
  return writeText(text);
}

template <class Char>
std::int16_t SerialPort::writeText(std::basic_string_view<Char> text) {
  // A long text goes out in pieces of 255 characters and one last piece, in
  // order; a short or refused piece does not stop the next. Only a text of
  // one piece has a count to give back.
  if (text.size() > kPieceSize) {
    for (; text.size() > kPieceSize; text.remove_prefix(kPieceSize)) {
      writeText(text.substr(0, kPieceSize));
    }
    writeText(text);
    return 0;
  }
  // The buffer is the open port's too: leave it alone while OpenPort's message shows.
  if (showingMessage_) return 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A piece holding a character with no 8-bit code is not sent at all.
    if (!eightBitCode(text[i], ioBuffer[i])) return 0;
  }
  const auto written =
      platform_.write(portHandle, ioBuffer.data(), static_cast<std::uint32_t>(text.size()));
  return static_cast<std::int16_t>(written);
}

void SerialPort::FlushPort() {
  if (!showingMessage_) platform_.flush(portHandle);
}

bool SerialPort::deviceVanished() const {
  // While OpenPort's message shows, the device it opened is not yet the port.
  return isOpen() && !showingMessage_ && platform_.deviceVanished(portHandle);
}

int SerialPort::ClosePort() {
  if (showingMessage_) return 0;
  const int result = platform_.close(portHandle);
  portHandle = kInvalidPortHandle;
  return result;
}

}  // namespace tarnwick::serial
