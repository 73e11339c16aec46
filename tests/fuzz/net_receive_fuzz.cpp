// What an rfc2217:// server may send, through the network platform's real
// receive path (ServerStream, TelnetComPort, its guard and libtelnet), cut
// into pieces anywhere, with the reader taking 255 bytes at a time between.
//
// Input: byte 0 sets the cut (pieces of 1 to cut bytes, in turn; 0: one
// piece); byte 1 picks the form of the rest. Raw form: the rest is the wire.
// Built form: the rest is a list of things a server sends, each chosen by one
// byte (see Step), from which the target writes the wire and works out what
// must come of it. Before the first byte, the client asks for 115200,n,8,1.
//
// Properties, built form: the serial line's bytes handed to the reader are
// exactly the data sent, with Telnet's escaping undone, and nothing of any
// command or subnegotiation; the replies are exactly those RFC 1143's Q
// method gives (none to a request that does not change an option's state);
// the COM-PORT option's state and the line settings' state (confirmed, set
// otherwise and named, or pending) follow the server's answers, where an
// answer longer than any can be is dropped. Both forms: the stream is never
// judged broken; no subnegotiation, however long or unended, holds more than
// a fixed number of bytes at any time; no more data comes out than went in,
// and what waits to be read or sent stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "serial/net/server_stream.h"

namespace {

using tarnwick::serial::LineMode;
using tarnwick::serial::NetworkProtocol;
using tarnwick::serial::ServerStream;
using tarnwick::serial::TelnetComPort;
using tarnwick::serial::TelnetGuard;

constexpr unsigned char kIac = 255, kSb = 250, kSe = 240;
constexpr unsigned char kWill = 251, kWont = 252, kDo = 253, kDont = 254;
constexpr unsigned char kBinary = 0, kSga = 3, kComPort = 44;

enum Step { kData, kNegotiation, kCommand, kSubnegotiation, kLongSubnegotiation, kStepCount };

// Each side of an option as RFC 1143 tracks it. The client only ever asks to
// enable (its offers), so the states that disable do not occur.
enum class Q { No, Yes, WantYes };

class Model {
 public:
  std::string wire;
  std::string data;     // the serial line's bytes
  std::string replies;  // what the client must send back
  std::map<unsigned, std::string> settingReplies;
  bool open = true;  // false once the wire ends inside a subnegotiation

  Model() {
    for (unsigned option : {kBinary, kSga}) him_[option] = Q::WantYes;
    for (unsigned option : {kBinary, kSga, kComPort}) us_[option] = Q::WantYes;
  }

  void addData(const std::string& bytes) {
    data += bytes;
    wire += escaped(bytes);
  }

  void addNegotiation(unsigned char command, unsigned char option) {
    wire += {static_cast<char>(kIac), static_cast<char>(command), static_cast<char>(option)};
    const bool enable = command == kWill || command == kDo;
    const bool his = command == kWill || command == kWont;
    Q& q = (his ? him_ : us_)[option];
    const bool supported = option == kBinary || option == kSga || (!his && option == kComPort);
    const unsigned char yes = his ? kDo : kWill, no = his ? kDont : kWont;
    if (enable && q == Q::No) {
      if (supported) q = Q::Yes;
      reply(supported ? yes : no, option);
    } else if (enable) {
      q = Q::Yes;  // WantYes: the answer to our offer; Yes: already so, no answer
    } else if (q == Q::Yes) {
      q = Q::No;
      reply(no, option);
    } else {
      q = Q::No;  // WantYes: our offer refused; No: already so, no answer
    }
  }

  void addSubnegotiation(unsigned char option, const std::string& body, bool ended) {
    wire += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(option)};
    wire += escaped(body);
    if (!ended) {
      open = false;
      return;
    }
    wire += {static_cast<char>(kIac), static_cast<char>(kSe)};
    if (option != kComPort || body.size() > TelnetGuard::kLongestSubnegotiation) return;
    const auto command = body.empty() ? 0u : static_cast<unsigned char>(body[0]);
    if (command >= 101 && command <= 105) settingReplies[command - 100] = body.substr(1);
  }

  TelnetComPort::ComPortOption comPortOption() const {
    const Q q = us_.at(kComPort);
    return q == Q::Yes  ? TelnetComPort::ComPortOption::Agreed
           : q == Q::No ? TelnetComPort::ComPortOption::Refused
                        : TelnetComPort::ComPortOption::Pending;
  }

  // What each setting of 115200,n,8,1 without flow control is asked as.
  static std::string asked(unsigned command) {
    return command == 1 ? std::string("\x00\x01\xC2\x00", 4)
                        : std::string(1, '\x01' + (command == 2 ? 7 : 0));
  }

  TelnetComPort::Settings settings() const {
    bool all = true;
    for (unsigned command = 1; command <= 5; ++command) {
      const auto found = settingReplies.find(command);
      if (found == settingReplies.end()) {
        all = false;
      } else if (found->second != asked(command)) {
        return TelnetComPort::Settings::Differ;
      }
    }
    return all ? TelnetComPort::Settings::Confirmed : TelnetComPort::Settings::Pending;
  }

 private:
  static std::string escaped(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
      out += c;
      if (static_cast<unsigned char>(c) == kIac) out += c;
    }
    return out;
  }
  void reply(unsigned char command, unsigned char option) {
    replies += {static_cast<char>(kIac), static_cast<char>(command), static_cast<char>(option)};
  }

  std::map<unsigned, Q> him_, us_;
};

// Reads the steps; each takes the bytes it needs, fewer at the input's end.
class StepReader {
 public:
  StepReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool more() const { return at_ < size_; }
  unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string bytes(std::size_t count) {
    const std::size_t take = std::min(count, size_ - at_);
    std::string out(reinterpret_cast<const char*>(data_ + at_), take);
    at_ += take;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void build(StepReader& in, Model& model) {
  while (in.more() && model.open) {
    switch (in.byte() % kStepCount) {
      case kData:
        model.addData(in.bytes(in.byte()));
        break;
      case kNegotiation: {
        const auto command = static_cast<unsigned char>(kWill + in.byte() % 4);
        model.addNegotiation(command, static_cast<unsigned char>(in.byte()));
        break;
      }
      case kCommand:  // EOF, SUSP, ABORT, EOR, SE, NOP, DM, BRK, IP, AO, AYT, EC, EL, GA
        model.wire += {static_cast<char>(kIac), static_cast<char>(236 + in.byte() % 14)};
        break;
      case kSubnegotiation: {
        const unsigned choice = in.byte();
        const auto option = static_cast<unsigned char>(choice & 1 ? kComPort : in.byte());
        model.addSubnegotiation(option, in.bytes(in.byte()), (choice & 2) == 0);
        break;
      }
      case kLongSubnegotiation: {
        const unsigned choice = in.byte();
        const auto option = static_cast<unsigned char>(choice & 1 ? kComPort : in.byte());
        const std::size_t length = in.byte() * 256 + in.byte();
        const std::string start = in.bytes(2);
        model.addSubnegotiation(option, start + std::string(length, static_cast<char>(in.byte())),
                                (choice & 2) == 0);
        break;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned cut = data[0];
  const bool raw = data[1] & 1;
  Model model;
  if (raw) {
    model.wire.assign(reinterpret_cast<const char*>(data + 2), size - 2);
  } else {
    StepReader in(data + 2, size - 2);
    build(in, model);
  }

  ServerStream stream(NetworkProtocol::Rfc2217);
  TelnetComPort& telnet = *stream.telnet();
  LineMode mode;
  mode.baud = 115200;
  telnet.requestLineSettings(mode);
  std::string& outbox = stream.outbox();
  outbox.clear();  // the offers and the requests; only the replies are compared

  std::string received;
  const std::string& wire = model.wire;
  for (std::size_t at = 0, step = 1; at < wire.size(); ++step) {
    const std::size_t piece =
        std::min<std::size_t>(cut == 0 ? wire.size() : 1 + step % cut, wire.size() - at);
    FUZZ_CHECK(stream.receive(wire.data() + at, piece));
    at += piece;
    FUZZ_CHECK(telnet.guard().held() <= TelnetGuard::kLongestSubnegotiation);
    FUZZ_CHECK(stream.received().size() <= ServerStream::kReceivedLimit);
    FUZZ_CHECK(outbox.size() <= ServerStream::kOutboxLimit);
    for (std::string& waiting = stream.received(); !waiting.empty(); waiting.erase(0, 255)) {
      received += waiting.substr(0, 255);
    }
  }
  FUZZ_CHECK(stream.overrun() == 0);
  FUZZ_CHECK(received.size() <= wire.size());
  if (raw) return 0;

  FUZZ_CHECK(received == model.data);
  FUZZ_CHECK(outbox == model.replies);
  FUZZ_CHECK(telnet.comPortOption() == model.comPortOption());
  FUZZ_CHECK(telnet.settings() == model.settings());
  const std::string difference = telnet.settingsDifference();
  FUZZ_CHECK(difference.empty() == (model.settings() != TelnetComPort::Settings::Differ));
  const auto baud = model.settingReplies.find(1);
  if (baud != model.settingReplies.end() && baud->second == std::string("\0\0\x25\x80", 4)) {
    FUZZ_CHECK(difference == "the server set 9600 baud, not 115200");
  }
  return 0;
}
