// Port names that reach a board through a network serial server:
//
//   socket://HOST:PORT    raw TCP: the bytes of the serial line, nothing else
//   rfc2217://HOST:PORT   Telnet with the COM-PORT-OPTION (line settings asked of the server)
//
// HOST is a name, an IPv4 address, or an IPv6 address in brackets
// ("[::1]:4000"); PORT a number from 1 to 65535 or a service name, resolved
// with the host.
//
// Trap: the resolver takes a number above 65535 modulo 65536 (99999 reaches
// 34463), so a typo would reach another server's port: numbers are checked
// here, before anything is resolved.
// The scheme is matched without regard to case, as URL schemes are. Plain C++
// on every system: whether the network can be reached is the platform's
// business.
#pragma once

#include <optional>
#include <string>

namespace tarnwick::serial {

enum class NetworkProtocol { RawTcp, Rfc2217 };

struct NetworkAddress {
  NetworkProtocol protocol = NetworkProtocol::RawTcp;
  std::string host;     // without the brackets of an IPv6 literal
  std::string service;  // the port
};

// Whether the name starts with one of the two schemes; such a name is never a device.
bool isNetworkPortName(const std::string& portName);

// The parts of a network port name; empty when it is not one, or is malformed
// (no host, no port, a path or anything after the port, a zero byte).
std::optional<NetworkAddress> parseNetworkAddress(const std::string& portName);
// The same; when it is a network name but malformed, `problem` says why
// ("no port", "port 99999 is outside 1 to 65535").
std::optional<NetworkAddress> parseNetworkAddress(const std::string& portName,
                                                  std::string& problem);

}  // namespace tarnwick::serial
