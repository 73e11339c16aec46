#include "flash/report/loop_clock.h"

#include <thread>

namespace tarnwick::flash {
namespace {

class SystemLoopClock : public LoopClock {
 public:
  Clock::time_point now() override { return Clock::now(); }
  void sleepUntil(Clock::time_point when) override { std::this_thread::sleep_until(when); }
};

}  // namespace

LoopClock& systemLoopClock() {
  static SystemLoopClock clock;
  return clock;
}

}  // namespace tarnwick::flash
