// One network connection's bytes, without the socket: what the server has
// sent, turned into the serial line's bytes, and what we owe it.
//
// How it works: the platform hands each receive's wire bytes to receive().
// On a raw TCP port they are the line's bytes as they stand; on an RFC 2217
// port they go through TelnetComPort, which unescapes the line's bytes,
// answers the option negotiation into the outbox and reads the COM-PORT
// answers. The platform sends the outbox and reads from received().
//
// Bounds, whatever the server does: at most kReceivedLimit of the line's
// bytes wait to be read; beyond that, new ones are dropped and counted, as a
// serial port's overrun drops them (a server that floods while the line is
// still being set up would otherwise fill memory). A server that makes us
// owe it more than kOutboxLimit (a storm of negotiation it never reads the
// answers to) can no longer be trusted; nor can a Telnet stream libtelnet
// cannot parse. receive() then says false, and failure() says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/net/network_address.h"
#include "serial/net/telnet_com_port.h"

namespace tarnwick::serial {

class ServerStream {
 public:
  static constexpr std::size_t kReceivedLimit = 64 * 1024;
  static constexpr std::size_t kOutboxLimit = 64 * 1024;

  // On an RFC 2217 port our Telnet offers are in the outbox at once.
  explicit ServerStream(NetworkProtocol protocol);

  // The server's wire bytes, in any pieces; false once the stream is not to be trusted.
  bool receive(const char* wire, std::size_t size);

  std::string& received() { return received_; }  // the line's bytes not yet read
  const std::string& received() const { return received_; }
  std::string& outbox() { return outbox_; }          // wire bytes not yet sent
  TelnetComPort* telnet() { return telnet_.get(); }  // null on a raw TCP port
  const std::string& failure() const { return failure_; }
  std::size_t overrun() const { return overrun_; }  // the line's bytes dropped

 private:
  std::string received_;
  std::string outbox_;
  std::unique_ptr<TelnetComPort> telnet_;
  std::string unescaped_;  // one receive's line bytes, on an RFC 2217 port
  std::string failure_;
  std::size_t overrun_ = 0;
};

}  // namespace tarnwick::serial
