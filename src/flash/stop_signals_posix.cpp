// SIGINT, SIGTERM and SIGHUP set the process's stop request; SIGPIPE is ignored.
// SIGHUP comes when the terminal or the ssh session closes: the run must still
// end as a stopped one, with its report (which may go to a file or a pipe).
#include <signal.h>

#include <initializer_list>

#include "flash/session/stop_request.h"

namespace tarnwick::flash {
namespace {

void onStopSignal(int number) {
  processStopRequest.request(number);
}

}  // namespace

void installStopSignals() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);

  struct sigaction stop {};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &stop, nullptr);
}

}  // namespace tarnwick::flash
