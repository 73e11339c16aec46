// The time source of the flasher's loops and of the rates its progress shows,
// replaceable so that tests can play time without waiting.
#pragma once

#include <chrono>

namespace tarnwick::flash {

class LoopClock {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~LoopClock() = default;
  virtual Clock::time_point now() = 0;
  virtual void sleepUntil(Clock::time_point when) = 0;
};

// The steady clock and a real sleep.
LoopClock& systemLoopClock();

}  // namespace tarnwick::flash
