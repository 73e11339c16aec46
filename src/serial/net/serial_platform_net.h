// The serial platform for a board served on the network (ser2net, a terminal
// server): socket://HOST:PORT is raw TCP, rfc2217://HOST:PORT is Telnet with
// the COM-PORT-OPTION (telnet_com_port.h). The handle is the socket.
//
// How it works, call by call, with the same rules as a local port:
//   - openExisting resolves the name (getaddrinfo) and connects without
//     blocking the caller for long: a connection still under way when the
//     attempt's short wait ends is kept, and the next attempt with the same
//     name picks it up. So an unreachable host costs the attempts' 100 ms
//     ticks, not the system's minutes of TCP time-outs; a name's next
//     address is tried when one has not answered within 2 s. A refused or
//     unreachable server, or a name that does not resolve, is a failed open.
//   - setTimeouts keeps the time-outs; readLineMode reads the mode string;
//     applyLineMode asks an RFC 2217 server for those settings and waits,
//     bounded, for its replies. A raw TCP server keeps its own.
//   - read and write follow the time-out rules of the other platforms (the
//     line-end quiet included), counting the serial line's bytes (Telnet
//     escapes do not count).
//   - A server that refuses the option, stays silent, or confirms settings
//     other than those asked fails applyLineMode, with the reason in
//     lastOpenFailure() ("the server set 9600 baud, not 115200").
//   - What the server sends, and what we owe it, is a ServerStream
//     (server_stream.h): bounded in memory whatever the server does.
//   - The server or the network dropping the connection is the device
//     vanishing: deviceVanished() says so once what came before is read.
//
// lastError(): errno values (ECONNREFUSED, EHOSTUNREACH, ETIMEDOUT for a
// connection still under way, ECONNRESET for a connection dropped); a name
// that does not resolve gives the resolver's own negative EAI_* code.
// errorText() words either kind, and lastOpenFailure() gives those words
// ("Connection refused", "Name or service not known").
//
// Traps:
//   - send() uses MSG_NOSIGNAL: a write to a dropped connection must fail,
//     not kill the program with SIGPIPE.
//   - TCP_NODELAY: a command goes out at once instead of waiting for the
//     acknowledgement of the one before.
//   - A silently dead network is only noticed by TCP's own time-outs, set
//     short here (keep-alive and TCP_USER_TIMEOUT, a few seconds).
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/mode_string.h"
#include "serial/net/network_address.h"
#include "serial/serial_platform.h"

namespace tarnwick::serial {

class NetworkSerialPlatform : public SerialPlatform {
 public:
  NetworkSerialPlatform();
  NetworkSerialPlatform(const NetworkSerialPlatform&) = delete;
  NetworkSerialPlatform& operator=(const NetworkSerialPlatform&) = delete;
  ~NetworkSerialPlatform() override;

  PortHandle openExisting(const std::string& name) override;
  bool setTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
  bool readLineMode(const std::string& mode, LineMode& line) override;
  bool applyLineMode(PortHandle port, const LineMode& line) override;
  int lastError() override { return lastError_; }
  std::uint32_t read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) override;
  std::uint32_t write(PortHandle port, const std::uint8_t* buffer, std::uint32_t count) override;
  void flush(PortHandle port) override;
  int close(PortHandle port) override;
  bool deviceVanished(PortHandle port) const override;
  // The last failed open or configuration step in errorText()'s words.
  OpenFailure lastOpenFailure() const override;

  // The words for a lastError() number: the resolver's for a negative one,
  // the system's for the others ("Connection refused", "Name or service not known").
  static std::string errorText(int number);

  // How long one attempt waits for its connection before leaving it under way.
  static constexpr std::chrono::milliseconds kConnectWait{50};
  // How long a connection to one of a name's addresses may stay under way
  // before the next address is tried.
  static constexpr std::chrono::milliseconds kAddressPatience{2000};
  // How long an RFC 2217 server has to agree to the option and confirm the settings.
  static constexpr std::chrono::milliseconds kNegotiationLimit{2000};

 private:
  using Clock = std::chrono::steady_clock;
  struct Connection;
  struct PendingConnect;

  Connection* connectionOf(PortHandle port);
  bool fail(int error);
  // fail(), remembered as the reason the port being opened did not open;
  // `reason` in words when the system's words for `error` would not say it.
  bool failOpening(int error, const std::string& reason = {});
  bool startConnect(PendingConnect& pending);
  PortHandle finishConnect(PendingConnect& pending, Clock::time_point deadline);
  PortHandle adopt(int fd, NetworkProtocol protocol);
  // Receives what the socket holds into the connection, waiting until
  // `deadline` for something to come; false on time-out or a lost connection.
  bool pump(Connection& connection, Clock::time_point deadline);
  // Sends the outbox, waiting for room until `deadline`; false when some is left.
  bool sendOutbox(Connection& connection, Clock::time_point deadline);
  void lose(Connection& connection, int error);
  // Asks an RFC 2217 server for the line settings; false with `reason` when
  // it does not agree to the option, sets something else, or stays silent.
  bool negotiate(Connection& connection, const LineMode& mode, std::string& reason);

  std::map<int, std::unique_ptr<Connection>> connections_;
  std::unique_ptr<PendingConnect> pending_;
  std::vector<char> scratch_;  // one receive's wire bytes
  int lastError_ = 0;
  int openError_ = 0;       // of the last failed open or configuration step; 0 after a good open
  std::string openReason_;  // its words, where the system's would not say it
};

}  // namespace tarnwick::serial
