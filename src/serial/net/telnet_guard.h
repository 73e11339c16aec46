// What of a Telnet server's stream reaches libtelnet.
//
// libtelnet parses every subnegotiation it meets, asked for or not: it
// buffers one up to 16 KiB and then hands the rest of it on as data of the
// line; it parses the options of terminal servers for MUDs (ENVIRON, MSSP,
// ZMP, TTYPE) with parsers of its own; and an unasked COMPRESS2 makes it
// inflate the rest of the stream. A COM-PORT server needs none of that. So
// the guard passes data, commands and option negotiation through as they
// come, and of the subnegotiations only those of the COM-PORT-OPTION no
// longer than kLongestSubnegotiation, each passed whole once it has ended;
// every other one, and a longer one, is dropped as it arrives.
//
// How it works: a small state machine over the Telnet syntax, fed any cut of
// the stream; it holds at most one subnegotiation's body, never more than
// kLongestSubnegotiation bytes, however long the server's runs.
//
// Trap: "IAC SB ... IAC x" with x neither SE nor IAC ends the subnegotiation
// and starts the command "IAC x", as libtelnet reads it; the guard reads it
// the same way, so that both stay in step.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick::serial {

class TelnetGuard {
 public:
  // The longest RFC 2217 answer is the baud rate's, 1 + 4 bytes; a server's
  // signature text may be longer, so there is room for that.
  static constexpr std::size_t kLongestSubnegotiation = 64;

  explicit TelnetGuard(unsigned char keptOption) : keptOption_(keptOption) {}

  // Appends to `passed` what of `wire` libtelnet may see.
  void pass(const char* wire, std::size_t size, std::string& passed);

  // The body of the subnegotiation under way, kept so far.
  std::size_t held() const { return body_.size(); }
  // Subnegotiations dropped so far.
  std::size_t dropped() const { return dropped_; }
  // How often the server has said DONT to the kept option so far. libtelnet
  // reports a DONT to our offer as no event at all (RFC 1143 says nothing
  // need be sent back), so this is the only way to learn of that refusal.
  std::size_t keptOptionRefusals() const { return refusals_; }

 private:
  enum class State { Data, Command, Option, SubOption, SubData, SubCommand };

  void command(unsigned char byte, std::string& passed);
  void subByte(unsigned char byte);
  void endSubnegotiation(std::string& passed);

  const unsigned char keptOption_;
  State state_ = State::Data;
  bool dontSeen_ = false;  // the command under way is a DONT
  bool keeping_ = false;   // the subnegotiation under way will be passed on
  std::string body_;
  std::size_t dropped_ = 0;
  std::size_t refusals_ = 0;
};

}  // namespace tarnwick::serial
