#include "flash/session/headless_form.h"

#include <chrono>
#include <stdexcept>
#include <utility>

namespace tarnwick::flash {
namespace {

std::size_t slotOf(download::FormTimer timer) {
  return static_cast<std::size_t>(timer);
}

}  // namespace

HeadlessForm::HeadlessForm(TimerLoop& loop, FormEvents& events, std::u32string portName,
                           std::string hexFile)
    : loop_(loop), events_(events), portName_(std::move(portName)), hexFile_(std::move(hexFile)) {}

void HeadlessForm::bindTimer(download::FormTimer timer, TimerLoop::TimerId id) {
  timers_.at(slotOf(timer)) = id;
  timerBound_.at(slotOf(timer)) = true;
}

void HeadlessForm::setTimerEnabled(download::FormTimer timer, bool enabled) {
  // A handler that reaches a timer nobody wired is a wiring fault, not a run-time event.
  if (!timerBound_.at(slotOf(timer))) throw std::logic_error("timer not bound");
  loop_.setEnabled(timers_[slotOf(timer)], enabled);
}

std::string HeadlessForm::showOpenDialog(const std::string& /*filter*/) {
  return hexFile_;
}

void HeadlessForm::showMessage(const std::u32string& text, download::MessageStyle style,
                               const std::string& title) {
  events_.messageShown(text, style, title);
}

void HeadlessForm::sleepMs(int milliseconds) {
  // Blocks like the window's wait: no tick runs meanwhile.
  LoopClock& clock = loop_.clock();
  clock.sleepUntil(clock.now() + std::chrono::milliseconds(milliseconds));
}

}  // namespace tarnwick::flash
