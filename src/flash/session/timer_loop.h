// A plain timer loop that plays the window's timers the way Qt runs them.
//
// How it works: each timer has an interval, a handler and, while enabled, the
// time it is due next. A pass takes the time once, then runs the handler of
// every enabled timer already due at that time, earliest first, one at a
// time; between passes the loop sleeps until the earliest due time. Before a
// handler runs, its timer's next due time moves on by one interval, and when
// that is already behind the pass's time, one interval after it. So a handler
// that runs long (a quiet read takes 256 ms against a 20 ms interval) is
// followed by one tick soon after: missed ticks are dropped, never queued.
//
// Traps:
//   - A timer disabled by any handler never fires again, not even later in
//     the same pass; enabling a running timer keeps its rhythm (as the window
//     does), enabling a stopped one makes it due one interval from now.
//   - Handlers run on the caller's thread, one at a time; none re-enters.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

#include "flash/report/loop_clock.h"

namespace tarnwick::flash {

class TimerLoop {
 public:
  using TimerId = std::size_t;
  using Handler = std::function<void()>;

  explicit TimerLoop(LoopClock& clock = systemLoopClock()) : clock_(clock) {}

  // A new timer, disabled.
  TimerId add(std::chrono::milliseconds interval, Handler handler);
  void setEnabled(TimerId id, bool enabled);
  bool isEnabled(TimerId id) const { return timers_.at(id).enabled; }

  // Runs ticks until `finished` says so (asked before every pass and after
  // every handler) or no timer is enabled any more.
  void run(const std::function<bool()>& finished);

  LoopClock& clock() { return clock_; }

 private:
  using TimePoint = LoopClock::Clock::time_point;
  struct Timer {
    std::chrono::milliseconds interval;
    Handler handler;
    bool enabled = false;
    TimePoint due{};
  };

  // Runs the ticks due at `passTime`; false when `finished` stopped it.
  bool runPass(TimePoint passTime, const std::function<bool()>& finished);
  bool earliestDue(TimePoint& due) const;

  LoopClock& clock_;
  std::vector<Timer> timers_;
};

}  // namespace tarnwick::flash
