// Which event of the window runs which handler, and the three timers.
//
// A window wires its events from this table rather than naming handlers
// itself: for each row it finds the control `source` (a button's click, a
// timer's tick; the window's own unload under kWindowName) and, when the event
// comes, runs the row's handler on its DownloadControl through runHandler().
// Events not in the table (typing, clicks on labels, frames, the indicator or
// the bar; loading, activating, resizing the window) run nothing.
//
// Trap: Command5's click handler is also run by the receive loop directly,
// whether or not the button is enabled or visible; the table only says what a
// click does.
#pragma once

#include <chrono>
#include <string_view>
#include <vector>

#include "download/download_control.h"
#include "download/form_controls.h"

namespace tarnwick::form {

enum class FormEvent { Click, Timer, Unload };

using Handler = void (download::DownloadControl::*)();

struct EventWiring {
  const char* source;  // a control or timer name, or kWindowName
  FormEvent event;
  Handler handler;
};

struct TimerDesign {
  download::FormTimer timer;
  const char* name;
  std::chrono::milliseconds interval;
};

// Every wired event, in the order a window may connect them.
const std::vector<EventWiring>& events();
// Null when the event of `source` runs no handler.
const EventWiring* findWiring(std::string_view source, FormEvent event);
// Runs the handler wired to the event; false when there is none.
bool runHandler(download::DownloadControl& control, std::string_view source, FormEvent event);

// The three timers, all disabled at start.
const std::vector<TimerDesign>& timers();
const TimerDesign& timerDesign(download::FormTimer timer);

constexpr std::chrono::milliseconds timerInterval(download::FormTimer timer) {
  switch (timer) {
    case download::FormTimer::Timer3:  // connection attempts
      return std::chrono::milliseconds(100);
    case download::FormTimer::TMRComm:  // the receive loop
      return std::chrono::milliseconds(20);
    case download::FormTimer::Timer2:  // info polling
      return std::chrono::milliseconds(500);
  }
  return std::chrono::milliseconds(0);
}

}  // namespace tarnwick::form
