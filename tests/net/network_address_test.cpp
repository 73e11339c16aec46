// Which port names reach the network, and what host and port they name.
#include <gtest/gtest.h>

#include "serial/net/network_address.h"

namespace tarnwick::serial {
namespace {

TEST(NetworkAddress, HostsPortsAndIpv6LiteralsAreTakenApartAsTyped) {
  const struct {
    const char* name;
    NetworkProtocol protocol;
    const char* host;
    const char* service;
  } good[] = {
      {"socket://127.0.0.1:4000", NetworkProtocol::RawTcp, "127.0.0.1", "4000"},
      {"rfc2217://[::1]:4000", NetworkProtocol::Rfc2217, "::1", "4000"},
      {"RFC2217://[fe80::1%eth0]:2217", NetworkProtocol::Rfc2217, "fe80::1%eth0", "2217"},
      {"socket://rack-3.lab.example:telnet", NetworkProtocol::RawTcp, "rack-3.lab.example",
       "telnet"},
  };
  for (const auto& c : good) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(isNetworkPortName(c.name));
    const auto address = parseNetworkAddress(c.name);
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(address->protocol, c.protocol);
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->service, c.service);
  }
}

TEST(NetworkAddress, MalformedNamesAreRefusedAndDevicesAreNoNetworkNames) {
  for (const char* name :
       {"socket://", "socket://host", "socket://:4000", "socket://host:", "socket://::1:4000",
        "socket://[::1]4000", "socket://[::1:4000", "socket://host:4000/board",
        "rfc2217://host:4000?baud=9600", "rfc2217://user@host:4000", "socket://ho st:4000"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(isNetworkPortName(name));
    EXPECT_FALSE(parseNetworkAddress(name).has_value());
  }
  for (const char* device : {"COM5:", "/dev/ttyACM0", "socket:/host:4000", "./socket://x:1"}) {
    EXPECT_FALSE(isNetworkPortName(device)) << device;
  }
}

}  // namespace
}  // namespace tarnwick::serial
