#include "serial/net/telnet_guard.h"

namespace tarnwick::serial {
namespace {

constexpr unsigned char kIac = 255, kSb = 250, kSe = 240;
constexpr unsigned char kWill = 251, kDont = 254;

}  // namespace

void TelnetGuard::pass(const char* wire, std::size_t size, std::string& passed) {
  for (std::size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(wire[i]);
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Command;  // held back until it is known whether SB follows
        } else {
          passed += static_cast<char>(byte);
        }
        break;
      case State::Command:
        command(byte, passed);
        break;
      case State::Option:
        passed += static_cast<char>(byte);
        if (dontSeen_ && byte == keptOption_) ++refusals_;
        state_ = State::Data;
        break;
      case State::SubOption:
        keeping_ = byte == keptOption_;
        body_.clear();
        state_ = State::SubData;
        break;
      case State::SubData:
        if (byte == kIac) {
          state_ = State::SubCommand;
        } else {
          subByte(byte);
        }
        break;
      case State::SubCommand:
        if (byte == kIac) {  // an escaped 255 of the body
          subByte(byte);
          state_ = State::SubData;
          break;
        }
        endSubnegotiation(passed);
        if (byte != kSe) command(byte, passed);
        break;
    }
  }
}

// The byte after an IAC outside a subnegotiation.
void TelnetGuard::command(unsigned char byte, std::string& passed) {
  if (byte == kSb) {
    state_ = State::SubOption;
    return;
  }
  passed += static_cast<char>(kIac);
  passed += static_cast<char>(byte);
  state_ = byte >= kWill && byte <= kDont ? State::Option : State::Data;
  dontSeen_ = byte == kDont;
}

void TelnetGuard::subByte(unsigned char byte) {
  if (!keeping_) return;
  if (body_.size() == kLongestSubnegotiation) {
    keeping_ = false;  // too long for an answer: dropped, and nothing more is held
    body_.clear();
    return;
  }
  body_ += static_cast<char>(byte);
}

void TelnetGuard::endSubnegotiation(std::string& passed) {
  state_ = State::Data;
  if (!keeping_) {
    ++dropped_;
    return;
  }
  passed += static_cast<char>(kIac);
  passed += static_cast<char>(kSb);
  passed += static_cast<char>(keptOption_);
  for (const char c : body_) {
    passed += c;
    if (static_cast<unsigned char>(c) == kIac) passed += c;
  }
  passed += static_cast<char>(kIac);
  passed += static_cast<char>(kSe);
  body_.clear();
  keeping_ = false;
}

}  // namespace tarnwick::serial
