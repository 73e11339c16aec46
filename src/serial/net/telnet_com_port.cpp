#include "serial/net/telnet_com_port.h"

#include <libtelnet.h>

#include <string_view>

namespace tarnwick::serial {
namespace {

// RFC 2217: the option, and the client's commands; the server replies with each plus 100.
constexpr unsigned char kComPortOption = 44;
constexpr unsigned char kSetBaudRate = 1;
constexpr unsigned char kSetDataSize = 2;
constexpr unsigned char kSetParity = 3;
constexpr unsigned char kSetStopSize = 4;
constexpr unsigned char kSetControl = 5;
constexpr unsigned char kServerReply = 100;
// Values of the commands above.
constexpr unsigned char kParityNone = 1, kParityOdd = 2, kParityEven = 3;
constexpr unsigned char kNoFlowControl = 1;  // outbound, and both ways on most servers

// us: WILL accepts the server's DO; him: DO accepts the server's WILL.
const telnet_telopt_t kOptions[] = {
    {TELNET_TELOPT_BINARY, TELNET_WILL, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {kComPortOption, TELNET_WILL, TELNET_DONT},
    {-1, 0, 0},
};

std::string byteValue(unsigned value) {
  return std::string(1, static_cast<char>(value));
}

std::string bigEndian32(unsigned long value) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
  return bytes;
}

// A setting's value in the words of its kind; empty when it is no such value.
std::string settingWords(unsigned command, std::string_view value) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(value[i]); };
  if (command == kSetBaudRate) {
    if (value.size() != 4) return {};
    const unsigned long baud = (static_cast<unsigned long>(byte(0)) << 24) |
                               (static_cast<unsigned long>(byte(1)) << 16) |
                               (static_cast<unsigned long>(byte(2)) << 8) | byte(3);
    return std::to_string(baud) + " baud";
  }
  if (value.size() != 1) return {};
  static const char* const kParities[] = {"parity none", "parity odd", "parity even", "parity mark",
                                          "parity space"};
  static const char* const kStops[] = {"1 stop bit", "2 stop bits", "1.5 stop bits"};
  static const char* const kControls[] = {"no flow control", "XON/XOFF flow control",
                                          "hardware flow control"};
  const unsigned v = byte(0);
  switch (command) {
    case kSetDataSize:
      return std::to_string(v) + " data bits";
    case kSetParity:
      return v >= 1 && v <= 5 ? kParities[v - 1] : "parity " + std::to_string(v);
    case kSetStopSize:
      return v >= 1 && v <= 3 ? kStops[v - 1] : "stop size " + std::to_string(v);
    default:
      return v >= 1 && v <= 3 ? kControls[v - 1] : "flow control " + std::to_string(v);
  }
}

const char* settingName(unsigned command) {
  static const char* const kNames[] = {"baud rate", "data size", "parity", "stop size",
                                       "flow control"};
  return kNames[command - 1];
}

}  // namespace

TelnetComPort::TelnetComPort(std::string& outbox) : outbox_(outbox), guard_(kComPortOption) {
  telnet_ = telnet_init(kOptions, &TelnetComPort::onEvent, 0, this);
  if (telnet_ == nullptr) {
    broken_ = true;
    return;
  }
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_BINARY);
  telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_BINARY);
  telnet_negotiate(telnet_, TELNET_WILL, TELNET_TELOPT_SGA);
  telnet_negotiate(telnet_, TELNET_DO, TELNET_TELOPT_SGA);
  telnet_negotiate(telnet_, TELNET_WILL, kComPortOption);
}

TelnetComPort::~TelnetComPort() {
  if (telnet_ != nullptr) telnet_free(telnet_);
}

void TelnetComPort::onEvent(telnet_t* /*telnet*/, telnet_event_t* event, void* self) {
  static_cast<TelnetComPort*>(self)->handle(*event);
}

void TelnetComPort::handle(const telnet_event_t& event) {
  switch (event.type) {
    case TELNET_EV_DATA:
      if (data_ != nullptr) data_->append(event.data.buffer, event.data.size);
      break;
    case TELNET_EV_SEND:
      outbox_.append(event.data.buffer, event.data.size);
      break;
    case TELNET_EV_DO:
      if (event.neg.telopt == kComPortOption) option_ = ComPortOption::Agreed;
      break;
    case TELNET_EV_DONT:
      if (event.neg.telopt == kComPortOption) option_ = ComPortOption::Refused;
      break;
    case TELNET_EV_SUBNEGOTIATION:
      if (event.sub.telopt == kComPortOption) {
        comPortReply(reinterpret_cast<const unsigned char*>(event.sub.buffer), event.sub.size);
      }
      break;
    case TELNET_EV_ERROR:
      broken_ = true;
      break;
    default:  // warnings, other commands and options: nothing to do
      break;
  }
}

void TelnetComPort::comPortReply(const unsigned char* bytes, std::size_t size) {
  if (size == 0 || bytes[0] <= kServerReply) return;
  const unsigned command = bytes[0] - kServerReply;
  // Notifications of line and modem state come unasked; only replies to our requests count.
  if (command < kSetBaudRate || command > kSetControl || asked_[command].value.empty()) return;
  Asked& asked = asked_[command];
  asked.answered = true;
  asked.reply.assign(reinterpret_cast<const char*>(bytes + 1), size - 1);
}

void TelnetComPort::receive(const char* wire, std::size_t size, std::string& data) {
  if (telnet_ == nullptr) return;
  passed_.clear();
  const std::size_t refusals = guard_.keptOptionRefusals();
  guard_.pass(wire, size, passed_);
  data_ = &data;
  telnet_recv(telnet_, passed_.data(), passed_.size());
  data_ = nullptr;
  // A DONT to our offer: libtelnet drops the offer without an event.
  if (guard_.keptOptionRefusals() != refusals && option_ == ComPortOption::Pending) {
    option_ = ComPortOption::Refused;
  }
}

void TelnetComPort::send(const std::uint8_t* data, std::size_t size) {
  if (telnet_ == nullptr) return;
  telnet_send(telnet_, reinterpret_cast<const char*>(data), size);
}

void TelnetComPort::subnegotiate(unsigned char command, const std::string& value) {
  asked_[command] = Asked{value, false, {}};
  const std::string body = byteValue(command) + value;
  telnet_subnegotiation(telnet_, kComPortOption, body.data(), body.size());
}

void TelnetComPort::requestLineSettings(const LineMode& mode) {
  if (telnet_ == nullptr) return;
  askedAny_ = true;
  subnegotiate(kSetBaudRate, bigEndian32(mode.baud));
  subnegotiate(kSetDataSize, byteValue(static_cast<unsigned>(mode.dataBits)));
  subnegotiate(kSetParity, byteValue(mode.parity == 'o'   ? kParityOdd
                                     : mode.parity == 'e' ? kParityEven
                                                          : kParityNone));
  subnegotiate(kSetStopSize, byteValue(static_cast<unsigned>(mode.stopBits)));
  subnegotiate(kSetControl, byteValue(kNoFlowControl));
}

TelnetComPort::Settings TelnetComPort::settings() const {
  if (!askedAny_) return Settings::NotAsked;
  bool allAnswered = true;
  for (unsigned command = kSetBaudRate; command <= kSetControl; ++command) {
    if (asked_[command].answered && !asked_[command].matched()) return Settings::Differ;
    allAnswered = allAnswered && asked_[command].answered;
  }
  return allAnswered ? Settings::Confirmed : Settings::Pending;
}

std::string TelnetComPort::settingsDifference() const {
  for (unsigned command = kSetBaudRate; command <= kSetControl; ++command) {
    const Asked& asked = asked_[command];
    if (!asked.answered || asked.matched()) continue;
    const std::string set = settingWords(command, asked.reply);
    if (set.empty()) {
      return std::string("the server answered the ") + settingName(command) +
             " with no value of its kind";
    }
    std::string wanted = settingWords(command, asked.value);
    // "9600 baud, not 115200": the unit once is enough.
    if (command == kSetBaudRate) wanted.resize(wanted.find(' '));
    return "the server set " + set + ", not " + wanted;
  }
  return {};
}

}  // namespace tarnwick::serial
