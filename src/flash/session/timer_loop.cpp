#include "flash/session/timer_loop.h"

#include <algorithm>

namespace tarnwick::flash {

TimerLoop::TimerId TimerLoop::add(std::chrono::milliseconds interval, Handler handler) {
  timers_.push_back(Timer{interval, std::move(handler)});
  return timers_.size() - 1;
}

void TimerLoop::setEnabled(TimerId id, bool enabled) {
  Timer& timer = timers_.at(id);
  if (enabled && !timer.enabled) timer.due = clock_.now() + timer.interval;
  timer.enabled = enabled;
}

bool TimerLoop::earliestDue(TimePoint& due) const {
  bool any = false;
  for (const Timer& timer : timers_) {
    if (!timer.enabled || (any && timer.due >= due)) continue;
    due = timer.due;
    any = true;
  }
  return any;
}

void TimerLoop::run(const std::function<bool()>& finished) {
  while (!finished()) {
    TimePoint due{};
    if (!earliestDue(due)) return;  // nothing can happen any more
    if (due > clock_.now()) clock_.sleepUntil(due);
    if (!runPass(clock_.now(), finished)) return;
  }
}

bool TimerLoop::runPass(TimePoint passTime, const std::function<bool()>& finished) {
  std::vector<TimerId> due;
  for (TimerId id = 0; id < timers_.size(); ++id) {
    if (timers_[id].enabled && timers_[id].due <= passTime) due.push_back(id);
  }
  std::stable_sort(due.begin(), due.end(),
                   [this](TimerId a, TimerId b) { return timers_[a].due < timers_[b].due; });
  for (const TimerId id : due) {
    Timer& timer = timers_[id];
    // An earlier handler of this pass may have stopped it, or restarted it later.
    if (!timer.enabled || timer.due > passTime) continue;
    timer.due += timer.interval;
    if (timer.due < passTime) timer.due = passTime + timer.interval;
    timer.handler();
    if (finished()) return false;
  }
  return true;
}

}  // namespace tarnwick::flash
