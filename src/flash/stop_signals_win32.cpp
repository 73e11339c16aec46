// Ctrl+C and Ctrl+Break in the console set the process's stop request. There
// is no SIGPIPE on Windows: a write to a closed pipe fails and the program goes on.
#include <windows.h>

#include <csignal>

#include "flash/stop_request.h"

namespace tarnwick::flash {
namespace {

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // the default action
  processStopRequest.request(SIGINT);
  return TRUE;
}

}  // namespace

void installStopSignals() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace tarnwick::flash
