#include "serial/devices/board_name.h"

#include <cctype>

namespace tarnwick::serial {
namespace {

constexpr std::string_view kUsbPrefix = "usb:";
constexpr std::string_view kSerialPrefix = "serial:";
constexpr std::string_view kUsbPathPrefix = "usb-path:";

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// One to four hex digits, as lsusb and the port list write USB ids.
std::optional<std::uint16_t> usbId(std::string_view digits) {
  if (digits.empty() || digits.size() > 4) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int digit = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<std::uint16_t>(value);
}

// usb:VVVV:PPPP or usb:VVVV:PPPP:SERIAL; the serial is everything after the
// third colon, colons included.
std::optional<BoardName> parseUsb(std::string_view rest, std::string& error) {
  const auto colon = rest.find(':');
  const auto second = colon == std::string_view::npos ? colon : rest.find(':', colon + 1);
  BoardName board;
  board.vendorId = usbId(rest.substr(0, colon));
  if (colon != std::string_view::npos) {
    board.productId = usbId(rest.substr(colon + 1, second - colon - 1));
  }
  if (!board.vendorId || !board.productId) {
    error = "a USB board name is usb:VVVV:PPPP or usb:VVVV:PPPP:SERIAL, ids in hex";
    return std::nullopt;
  }
  if (second != std::string_view::npos) {
    board.serialNumber = std::string(rest.substr(second + 1));
    if (board.serialNumber->empty()) {
      error = "the serial number after usb:VVVV:PPPP: is empty";
      return std::nullopt;
    }
  }
  return board;
}

std::optional<std::string> nonEmpty(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return std::string(text);
}

}  // namespace

bool isBoardName(std::string_view portName) {
  return startsWith(portName, kUsbPrefix) || startsWith(portName, kSerialPrefix) ||
         startsWith(portName, kUsbPathPrefix);
}

std::optional<BoardName> parseBoardName(std::string_view portName, std::string& error) {
  BoardName board;
  if (startsWith(portName, kUsbPrefix)) return parseUsb(portName.substr(kUsbPrefix.size()), error);
  if (startsWith(portName, kSerialPrefix)) {
    board.serialNumber = nonEmpty(portName.substr(kSerialPrefix.size()));
    if (!board.serialNumber) error = "serial: needs the board's USB serial number";
  } else if (startsWith(portName, kUsbPathPrefix)) {
    board.location = nonEmpty(portName.substr(kUsbPathPrefix.size()));
    if (!board.location) error = "usb-path: needs a USB location such as 1-2.3";
  } else {
    error = "not a board name: usb:, serial: or usb-path: comes first";
    return std::nullopt;
  }
  if (!error.empty()) return std::nullopt;
  return board;
}

bool boardMatches(const BoardName& board, const PortDescription& port) {
  // Only USB ports carry what a board name asks for.
  if (!port.usb) return false;
  const UsbPortIdentity& usb = *port.usb;
  return (!board.vendorId || *board.vendorId == usb.vendorId) &&
         (!board.productId || *board.productId == usb.productId) &&
         (!board.serialNumber || *board.serialNumber == usb.serialNumber) &&
         (!board.location || *board.location == usb.location);
}

BoardResolution resolveBoardName(const BoardName& board,
                                 const std::vector<PortDescription>& ports) {
  BoardResolution resolution;
  for (const auto& port : ports) {
    if (boardMatches(board, port)) resolution.ports.push_back(port);
  }
  const auto count = resolution.ports.size();
  resolution.match = count == 0   ? BoardMatch::None
                     : count == 1 ? BoardMatch::One
                                  : BoardMatch::Several;
  return resolution;
}

}  // namespace tarnwick::serial
