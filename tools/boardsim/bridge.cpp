#include "bridge.h"

#include <algorithm>

namespace boardsim {
namespace {

constexpr std::size_t kFtdiPayload = 62;  // a 64-byte packet less two status bytes
constexpr std::size_t kCdcAcmPacket = 64;
constexpr std::chrono::milliseconds kUsbFrame{1};

}  // namespace

Bridge::Bridge(BridgeSettings settings, Clock::time_point start)
    : settings_(settings), start_(start), nextTick_(start + period()) {}

void Bridge::attach(BoardPort& port) {
  port_ = &port;
  held_.clear();
}

Bridge::Clock::duration Bridge::period() const {
  return settings_.adapter == Adapter::kFtdi ? Clock::duration(settings_.latency)
                                             : Clock::duration(kUsbFrame);
}

std::size_t Bridge::packetSize() const {
  return settings_.adapter == Adapter::kFtdi ? kFtdiPayload : kCdcAcmPacket;
}

bool Bridge::send(std::size_t count) {
  const bool sent = port_ != nullptr && port_->write(held_.data(), count);
  held_.erase(0, count);
  return sent;
}

bool Bridge::take(std::string_view bytes, Clock::time_point now) {
  if (settings_.adapter == Adapter::kNone) {
    return port_ != nullptr && port_->write(bytes.data(), bytes.size());
  }
  bool sent = deliverDue(now);
  held_.append(bytes);
  // A full FTDI packet does not wait for the timer.
  while (settings_.adapter == Adapter::kFtdi && held_.size() >= kFtdiPayload) {
    sent = send(kFtdiPayload) && sent;
  }
  return sent;
}

bool Bridge::deliverDue(Clock::time_point now) {
  if (settings_.adapter == Adapter::kNone || now < nextTick_) return true;
  // The timer or the frame keeps its own rhythm, whatever was held.
  const auto ticks = (now - start_) / period();
  nextTick_ = start_ + period() * (ticks + 1);
  bool sent = true;
  while (!held_.empty()) sent = send(std::min(held_.size(), packetSize())) && sent;
  return sent;
}

Bridge::Clock::time_point Bridge::nextDue() const {
  return held_.empty() ? Clock::time_point::max() : nextTick_;
}

bool adapterNamed(const std::string& name, Adapter& adapter) {
  if (name == "none") {
    adapter = Adapter::kNone;
  } else if (name == "ftdi") {
    adapter = Adapter::kFtdi;
  } else if (name == "cdc-acm") {
    adapter = Adapter::kCdcAcm;
  } else {
    return false;
  }
  return true;
}

}  // namespace boardsim
