// Ctrl+C and Ctrl+Break in the console set the process's stop request, and so
// does closing the console window, the system's hang-up. There is no SIGPIPE on
// Windows: a write to a closed pipe fails and the program goes on.
//
// Trap: after a close event the system ends the process as soon as the
// handler returns (and after 5 s at the latest), so the handler waits there
// while the run ends itself and writes its report.
#include <windows.h>

#include <csignal>

#include "flash/session/stop_request.h"

namespace tarnwick::flash {
namespace {

// A run sees a stop request within half a second; the system waits 5 s.
constexpr DWORD kCloseWaitMs = 4000;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event == CTRL_CLOSE_EVENT) {
    processStopRequest.request(SIGTERM);
    Sleep(kCloseWaitMs);  // the program's own end comes first
    return TRUE;
  }
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // the default action
  processStopRequest.request(SIGINT);
  return TRUE;
}

}  // namespace

void installStopSignals() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace tarnwick::flash
