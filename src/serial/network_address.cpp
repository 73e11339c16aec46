#include "serial/network_address.h"

#include <cctype>

namespace tarnwick::serial {
namespace {

struct Scheme {
  const char* prefix;
  NetworkProtocol protocol;
};
constexpr Scheme kSchemes[] = {{"socket://", NetworkProtocol::RawTcp},
                               {"rfc2217://", NetworkProtocol::Rfc2217}};

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

const Scheme* schemeOf(const std::string& portName) {
  for (const auto& scheme : kSchemes) {
    if (startsWithNoCase(portName, scheme.prefix)) return &scheme;
  }
  return nullptr;
}

// Characters a host or a port may hold: no path, query, user part or blank.
bool plainPart(const std::string& part) {
  for (const unsigned char c : part) {
    if (!std::isalnum(c) && c != '.' && c != '-' && c != '_' && c != ':' && c != '%') return false;
  }
  return !part.empty();
}

}  // namespace

bool isNetworkPortName(const std::string& portName) {
  return schemeOf(portName) != nullptr;
}

std::optional<NetworkAddress> parseNetworkAddress(const std::string& portName) {
  const Scheme* scheme = schemeOf(portName);
  if (scheme == nullptr) return std::nullopt;
  const std::string rest = portName.substr(std::string(scheme->prefix).size());
  NetworkAddress address;
  address.protocol = scheme->protocol;
  std::size_t colon;
  if (!rest.empty() && rest[0] == '[') {  // [IPv6]:PORT
    const auto close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
      return std::nullopt;
    }
    address.host = rest.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = rest.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    address.host = rest.substr(0, colon);
    // An IPv6 address without brackets cannot tell its last group from the port.
    if (address.host.find(':') != std::string::npos) return std::nullopt;
  }
  address.service = rest.substr(colon + 1);
  if (!plainPart(address.host) || !plainPart(address.service) ||
      address.service.find(':') != std::string::npos) {
    return std::nullopt;
  }
  return address;
}

}  // namespace tarnwick::serial
