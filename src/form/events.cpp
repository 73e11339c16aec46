#include "form/events.h"

#include "form/controls.h"

namespace tarnwick::form {
namespace {

using download::DownloadControl;
using download::FormTimer;

// clang-format off
const std::vector<EventWiring> kEvents = {
  {"BTNOpenCom",  FormEvent::Click,  &DownloadControl::openPortClick},
  {"BTNCloseCom", FormEvent::Click,  &DownloadControl::closePortClick},
  {"Timer3",      FormEvent::Timer,  &DownloadControl::attemptTick},
  {kWindowName,   FormEvent::Unload, &DownloadControl::unload},
  {"TMRComm",     FormEvent::Timer,  &DownloadControl::receiveTick},
  {"Command3",    FormEvent::Click,  &DownloadControl::openFileAndDownloadClick},
  {"Command5",    FormEvent::Click,  &DownloadControl::sendClick},
  {"Timer2",      FormEvent::Timer,  &DownloadControl::infoTick},
  {"Command4",    FormEvent::Click,  &DownloadControl::infoClick},
  {"Command6",    FormEvent::Click,  &DownloadControl::installClick},
  {"BTNSend",     FormEvent::Click,  &DownloadControl::sendTextClick},
};

const std::vector<TimerDesign> kTimers = {
  {FormTimer::Timer3,  "Timer3",  timerInterval(FormTimer::Timer3)},
  {FormTimer::TMRComm, "TMRComm", timerInterval(FormTimer::TMRComm)},
  {FormTimer::Timer2,  "Timer2",  timerInterval(FormTimer::Timer2)},
};
// clang-format on

}  // namespace

const std::vector<EventWiring>& events() {
  return kEvents;
}

const EventWiring* findWiring(std::string_view source, FormEvent event) {
  for (const EventWiring& wiring : kEvents) {
    if (wiring.event == event && source == wiring.source) return &wiring;
  }
  return nullptr;
}

bool runHandler(download::DownloadControl& control, std::string_view source, FormEvent event) {
  const EventWiring* wiring = findWiring(source, event);
  if (!wiring) return false;
  (control.*(wiring->handler))();
  return true;
}

const std::vector<TimerDesign>& timers() {
  return kTimers;
}

const TimerDesign& timerDesign(download::FormTimer timer) {
  for (const TimerDesign& design : kTimers) {
    if (design.timer == timer) return design;
  }
  return kTimers.front();  // not reached: every timer has a row
}

}  // namespace tarnwick::form
