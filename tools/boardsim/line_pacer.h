// Makes a pseudo-terminal, which passes bytes at memory speed, behave like a
// 115200-baud line in both directions: 10 bits a byte (8N1), 86.8 us each.
//
// In: the bytes of a chunk read at time t are taken to arrive one byte time
// apart, starting at t or when the line is free of earlier bytes, whichever is
// later; a command is answered no earlier than its last byte's arrival.
// Out: each byte is written when the line would have finished sending it, so a
// 4-byte answer takes 347 us and a 300-byte burst 26 ms to reach the host.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string_view>

#include "bridge.h"

namespace boardsim {

using PaceClock = std::chrono::steady_clock;
inline constexpr std::chrono::nanoseconds kByteTime{86806};

class InputClock {
 public:
  void chunkRead(PaceClock::time_point now, std::size_t count);
  // When the byte at `index` of the last chunk has fully arrived.
  PaceClock::time_point arrivalOf(std::size_t index) const;

 private:
  PaceClock::time_point chunkStart_{};
  PaceClock::time_point lineFree_{};
};

class OutputPacer {
 public:
  explicit OutputPacer(bool paced) : paced_(paced) {}
  // Hands each byte to the bridge once the line has sent it. False when the
  // bytes could not be written (no room for a second, or an error) or
  // `stopped` said so between two of them.
  bool send(Bridge& bridge, std::string_view bytes, const std::function<bool()>& stopped = nullptr);

 private:
  bool paced_;
  PaceClock::time_point lineFree_{};
};

}  // namespace boardsim
