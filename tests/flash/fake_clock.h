// Time that passes only when the loop sleeps or a test says so: timer runs
// without waiting and without depending on the machine's load.
#pragma once

#include <chrono>

#include "flash/session/timer_loop.h"

namespace tarnwick::testing {

class FakeClock : public flash::LoopClock {
 public:
  Clock::time_point now() override { return now_; }
  void sleepUntil(Clock::time_point when) override {
    if (when > now_) now_ = when;
  }
  void advance(std::chrono::milliseconds span) { now_ += span; }
  // Milliseconds since the clock's start.
  long long elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - Clock::time_point{})
        .count();
  }

 private:
  Clock::time_point now_{};
};

}  // namespace tarnwick::testing
