#include "serial/net/network_address.h"

#include <algorithm>
#include <cctype>

namespace tarnwick::serial {
namespace {

struct Scheme {
  const char* prefix;
  NetworkProtocol protocol;
};
constexpr long kHighestPort = 65535;
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

// A port number must be one a TCP port can have; a service name starts with a letter.
std::string servicePortProblem(const std::string& service) {
  const auto first = static_cast<unsigned char>(service[0]);
  if (std::isalpha(first)) return {};
  const bool digits = std::all_of(service.begin(), service.end(),
                                  [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!digits) return "port " + service + " is no number";
  const auto significant = service.find_first_not_of('0');
  if (significant == std::string::npos || service.size() - significant > 5 ||
      std::stol(service.substr(significant)) > kHighestPort) {
    return "port " + service + " is outside 1 to 65535";
  }
  return {};
}

// Where the port starts in what follows the scheme; npos with `problem` set when it is missing.
std::size_t portColon(const std::string& rest, std::string& problem) {
  if (!rest.empty() && rest[0] == '[') {  // [IPv6]:PORT
    const auto close = rest.find(']');
    if (close == std::string::npos) problem = "the IPv6 address has no closing bracket";
    if (close == std::string::npos) return std::string::npos;
    if (close + 1 >= rest.size()) problem = "no port (HOST:PORT)";
    if (close + 1 < rest.size() && rest[close + 1] != ':')
      problem = "no ':' after the IPv6 address";
    return problem.empty() ? close + 1 : std::string::npos;
  }
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos) {
    problem = "no port (HOST:PORT)";
  } else if (rest.find(':') != colon) {
    // An IPv6 address without brackets cannot tell its last group from the port.
    problem = "an IPv6 address goes in brackets ([::1]:PORT)";
  }
  return problem.empty() ? colon : std::string::npos;
}

}  // namespace

bool isNetworkPortName(const std::string& portName) {
  return schemeOf(portName) != nullptr;
}

std::optional<NetworkAddress> parseNetworkAddress(const std::string& portName) {
  std::string problem;
  return parseNetworkAddress(portName, problem);
}

std::optional<NetworkAddress> parseNetworkAddress(const std::string& portName,
                                                  std::string& problem) {
  problem.clear();
  const Scheme* scheme = schemeOf(portName);
  if (scheme == nullptr) return std::nullopt;
  const std::string rest = portName.substr(std::string(scheme->prefix).size());
  if (rest.empty()) problem = "no HOST:PORT";
  if (rest.empty()) return std::nullopt;
  const std::size_t colon = portColon(rest, problem);
  if (colon == std::string::npos) return std::nullopt;
  NetworkAddress address;
  address.protocol = scheme->protocol;
  address.host = rest[0] == '[' ? rest.substr(1, colon - 2) : rest.substr(0, colon);
  address.service = rest.substr(colon + 1);
  if (address.host.empty()) {
    problem = "no host (HOST:PORT)";
  } else if (address.service.empty()) {
    problem = "no port (HOST:PORT)";
  } else if (!plainPart(address.host) || !plainPart(address.service) ||
             address.service.find(':') != std::string::npos) {
    problem = "not HOST:PORT (no path, user, option or blank)";
  } else {
    problem = servicePortProblem(address.service);
  }
  if (!problem.empty()) return std::nullopt;
  return address;
}

}  // namespace tarnwick::serial
