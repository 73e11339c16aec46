// The Telnet side of an rfc2217:// port: libtelnet negotiates the options and
// escapes and unescapes IAC (byte 255); the COM-PORT-OPTION of RFC 2217 on
// top of it asks the server to set the serial line and reads its replies.
//
// How it works: the object never touches a socket. Wire bytes from the
// server go in through receive(), which appends the serial line's bytes to
// the caller's data buffer and handles negotiation on the way; everything to
// send (our offers, libtelnet's replies, escaped data, subnegotiations) is
// appended to the outbox the object was given, for the caller to send.
//
// Options: we offer BINARY both ways (no CR NUL or CR LF rewriting of the
// serial line's bytes), SUPPRESS-GO-AHEAD, and COM-PORT-OPTION; ECHO and
// anything else is refused, so that no server echoes our commands back.
//
// What the server sends passes a TelnetGuard (telnet_guard.h) first: libtelnet
// sees no subnegotiation but the COM-PORT-OPTION's answers, and none longer
// than an answer can be.
//
// Trap: data can arrive before the negotiation has finished; it is data of
// the serial line all the same and is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/mode_string.h"
#include "serial/net/telnet_guard.h"

struct telnet_t;
union telnet_event_t;

namespace tarnwick::serial {

class TelnetComPort {
 public:
  enum class ComPortOption { Pending, Agreed, Refused };
  enum class Settings { NotAsked, Pending, Confirmed, Differ };

  explicit TelnetComPort(std::string& outbox);  // puts our offers in the outbox
  ~TelnetComPort();
  TelnetComPort(const TelnetComPort&) = delete;
  TelnetComPort& operator=(const TelnetComPort&) = delete;

  void receive(const char* wire, std::size_t size, std::string& data);
  // Escapes the serial line's bytes into the outbox.
  void send(const std::uint8_t* data, std::size_t size);
  // Asks for the line settings (and no flow control); Settings says how it went.
  void requestLineSettings(const LineMode& mode);

  ComPortOption comPortOption() const { return option_; }
  Settings settings() const;
  // With Settings::Differ, what the server set instead of what was asked, in
  // words such as "the server set 9600 baud, not 115200".
  std::string settingsDifference() const;
  // Subnegotiations the guard dropped, and the body it holds now.
  const TelnetGuard& guard() const { return guard_; }
  // libtelnet met a sequence it could not parse; the stream cannot be trusted.
  bool broken() const { return broken_; }

 private:
  static void onEvent(telnet_t* telnet, telnet_event_t* event, void* self);
  void handle(const telnet_event_t& event);
  void comPortReply(const unsigned char* bytes, std::size_t size);
  void subnegotiate(unsigned char command, const std::string& value);

  std::string& outbox_;
  std::string* data_ = nullptr;  // the caller's buffer while receive() runs
  TelnetGuard guard_;
  std::string passed_;  // what of one receive() the guard lets through
  telnet_t* telnet_ = nullptr;
  ComPortOption option_ = ComPortOption::Pending;
  bool broken_ = false;
  // Each setting asked for: the value sent, and the server's last reply.
  struct Asked {
    std::string value;
    bool answered = false;
    std::string reply;
    bool matched() const { return answered && reply == value; }
  };
  Asked asked_[6];  // indexed by the SET command number, 1 to 5
  bool askedAny_ = false;
};

}  // namespace tarnwick::serial
