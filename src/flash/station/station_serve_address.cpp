#include "flash/station/station_serve.h"

namespace tarnwick::flash {

bool parseServeAddress(const std::string& text, std::string& address, int& port,
                       std::string& error) {
  const auto colon = text.rfind(':');
  address = colon == std::string::npos ? "127.0.0.1" : text.substr(0, colon);
  if (address.size() > 1 && address.front() == '[' && address.back() == ']') {
    address = address.substr(1, address.size() - 2);
  }
  const std::string number = colon == std::string::npos ? text : text.substr(colon + 1);
  port = 0;
  for (const char c : number) {
    if (c < '0' || c > '9' || port > 65535) {
      port = 0;
      break;
    }
    port = port * 10 + (c - '0');
  }
  if (address.empty() || port < 1 || port > 65535) {
    error = "--serve takes [ADDRESS:]PORT with a port of 1 to 65535, not '" + text + "'";
    return false;
  }
  return true;
}

}  // namespace tarnwick::flash
