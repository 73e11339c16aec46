// What a person types as a port or its line settings: board names, network
// addresses (socket://, rfc2217://, IPv6 in brackets) and mode strings.
//
// Input: the name, given to each of the three parsers. Properties: whatever a
// parser accepts, written out again in its canonical form, parses to the same
// thing (so nothing it kept was misread, and nothing it dropped mattered); the
// parts stay in their ranges; a board name matches the board it describes and
// no built-in port; a network address holds no path, user part, blank or zero
// byte, and a port given as a number is one TCP has (1 to 65535); a refused
// board name or network address says why.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "serial/devices/board_name.h"
#include "serial/mode_string.h"
#include "serial/net/network_address.h"

namespace {

using namespace tarnwick::serial;

std::string hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

std::string boardText(const BoardName& board) {
  if (board.vendorId) {
    std::string text = "usb:" + hex4(*board.vendorId) + ":" + hex4(*board.productId);
    return board.serialNumber ? text + ":" + *board.serialNumber : text;
  }
  if (board.serialNumber) return "serial:" + *board.serialNumber;
  return "usb-path:" + *board.location;
}

bool sameBoard(const BoardName& a, const BoardName& b) {
  return a.vendorId == b.vendorId && a.productId == b.productId &&
         a.serialNumber == b.serialNumber && a.location == b.location;
}

void checkBoardName(const std::string& name) {
  std::string error;
  const auto board = parseBoardName(name, error);
  if (!board) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  FUZZ_CHECK(isBoardName(name));
  FUZZ_CHECK(board->vendorId.has_value() == board->productId.has_value());
  FUZZ_CHECK(board->vendorId || board->serialNumber || board->location);
  FUZZ_CHECK(!board->serialNumber || !board->serialNumber->empty());
  FUZZ_CHECK(!board->location || !board->location->empty());
  std::string again;
  const auto reparsed = parseBoardName(boardText(*board), again);
  FUZZ_CHECK(reparsed && sameBoard(*reparsed, *board));

  // The board it describes, plugged in beside a built-in port.
  UsbPortIdentity usb;
  usb.vendorId = board->vendorId.value_or(0x1234);
  usb.productId = board->productId.value_or(0x5678);
  usb.serialNumber = board->serialNumber.value_or("S");
  usb.location = board->location.value_or("1-1");
  const std::vector<PortDescription> ports{{"/dev/ttyS0", "/dev/ttyS0", std::nullopt},
                                           {"/dev/ttyACM0", "/dev/ttyACM0", usb}};
  const BoardResolution found = resolveBoardName(*board, ports);
  FUZZ_CHECK(found.match == BoardMatch::One && found.ports.size() == 1);
  FUZZ_CHECK(found.ports[0].device == "/dev/ttyACM0");
}

std::string addressText(const NetworkAddress& address) {
  const std::string scheme =
      address.protocol == NetworkProtocol::Rfc2217 ? "rfc2217://" : "socket://";
  const bool literal6 = address.host.find(':') != std::string::npos;
  return scheme + (literal6 ? "[" + address.host + "]" : address.host) + ":" + address.service;
}

// A port number as TCP reads it: leading zeros do not count.
bool tcpPortNumber(const std::string& service) {
  if (service.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string digits =
      service.substr(std::min(service.find_first_not_of('0'), service.size()));
  return !digits.empty() && digits.size() <= 5 && std::stol(digits) <= 65535;
}

void checkNetworkAddress(const std::string& name) {
  std::string problem;
  const auto address = parseNetworkAddress(name, problem);
  if (!address) {
    FUZZ_CHECK(!isNetworkPortName(name) || !problem.empty());
    return;
  }
  FUZZ_CHECK(isNetworkPortName(name) && problem.empty());
  if (std::isdigit(static_cast<unsigned char>(address->service[0]))) {
    FUZZ_CHECK(tcpPortNumber(address->service));
  }
  FUZZ_CHECK(!address->host.empty() && !address->service.empty());
  for (const std::string* part : {&address->host, &address->service}) {
    FUZZ_CHECK(part->find_first_of(std::string("/@?#[] \t\r\n\0", 12)) == std::string::npos);
  }
  FUZZ_CHECK(address->service.find(':') == std::string::npos);
  const auto reparsed = parseNetworkAddress(addressText(*address));
  FUZZ_CHECK(reparsed && reparsed->protocol == address->protocol);
  FUZZ_CHECK(reparsed->host == address->host && reparsed->service == address->service);
}

void checkModeString(const std::string& mode) {
  LineMode parsed;
  if (!parseLineMode(mode, parsed)) return;
  FUZZ_CHECK(parsed.baud >= 1 && parsed.baud <= 9'999'999);
  FUZZ_CHECK(parsed.parity == 'n' || parsed.parity == 'e' || parsed.parity == 'o');
  FUZZ_CHECK(parsed.dataBits >= 5 && parsed.dataBits <= 8);
  FUZZ_CHECK(parsed.stopBits == 1 || parsed.stopBits == 2);
  const std::string canonical = std::to_string(parsed.baud) + "," + parsed.parity + "," +
                                std::to_string(parsed.dataBits) + "," +
                                std::to_string(parsed.stopBits);
  LineMode again;
  FUZZ_CHECK(parseLineMode(canonical, again));
  FUZZ_CHECK(again.baud == parsed.baud && again.parity == parsed.parity &&
             again.dataBits == parsed.dataBits && again.stopBits == parsed.stopBits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  checkBoardName(name);
  checkNetworkAddress(name);
  checkModeString(name);
  return 0;
}
