#include "serial/net/server_stream.h"

#include <algorithm>

namespace tarnwick::serial {

ServerStream::ServerStream(NetworkProtocol protocol) {
  if (protocol == NetworkProtocol::Rfc2217) telnet_ = std::make_unique<TelnetComPort>(outbox_);
}

bool ServerStream::receive(const char* wire, std::size_t size) {
  if (!failure_.empty()) return false;
  const char* line = wire;
  std::size_t lineSize = size;
  if (telnet_) {
    unescaped_.clear();
    telnet_->receive(wire, size, unescaped_);
    line = unescaped_.data();
    lineSize = unescaped_.size();
    if (telnet_->broken()) failure_ = "the server's Telnet stream cannot be read";
  }
  const std::size_t room = kReceivedLimit - std::min(kReceivedLimit, received_.size());
  const std::size_t kept = std::min(room, lineSize);
  received_.append(line, kept);
  overrun_ += lineSize - kept;
  if (outbox_.size() > kOutboxLimit) {
    failure_ = "the server does not read the answers to its own Telnet negotiation";
  }
  return failure_.empty();
}

}  // namespace tarnwick::serial
