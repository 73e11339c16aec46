// When a read ends, by the rules of PortTimeouts, on every platform.
//
// A read starts with its limit (the read TransferLimit for the bytes it asks
// for). Each time bytes arrive, the read is told the last of them: the end
// moves to the answer gap after now, or to the line-end quiet after now when
// that byte is a line feed and the port ends answers at line ends; never
// past the limit. Between arrivals, a read waits for more until end().
#pragma once

#include <chrono>
#include <cstdint>

#include "serial/serial_platform.h"

namespace tarnwick::serial {

class AnswerDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  AnswerDeadline(const PortTimeouts& timeouts, std::uint64_t count,
                 Clock::time_point start = Clock::now());

  // Bytes have arrived; `lastByte` is the last of them.
  void received(std::uint8_t lastByte, Clock::time_point now = Clock::now());
  Clock::time_point end() const { return end_; }
  // Whether the bytes so far end a line, so that only the short quiet is awaited.
  bool atLineEnd() const { return atLineEnd_; }

 private:
  std::chrono::milliseconds answerGap_;
  std::chrono::milliseconds lineEndQuiet_;
  Clock::time_point limit_;
  Clock::time_point end_;
  bool atLineEnd_ = false;
};

}  // namespace tarnwick::serial
