// A request to end the run, set by SIGINT, SIGTERM or SIGHUP (Ctrl+C, a closed
// terminal; Ctrl+Break and a closed console on Windows) and looked at by every session between two
// ticks of its timers.
//
// The signal handlers only store the signal's number: a lock-free atomic is
// all that a handler may touch. Each session ends its run at the next look,
// says where it stood, closes its port and gives exit code 130. Several
// sessions (one per thread) may look at the same request.
#pragma once

#include <atomic>

namespace tarnwick::flash {

class StopRequest {
 public:
  void request(int signal) noexcept { signal_.store(signal, std::memory_order_relaxed); }
  bool requested() const noexcept { return signal_.load(std::memory_order_relaxed) != 0; }

 private:
  static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may touch it");
  std::atomic<int> signal_{0};
};

// The one request of the process, which installStopSignals() wires to the signals.
inline StopRequest processStopRequest;

// Makes SIGINT, SIGTERM and SIGHUP set processStopRequest instead of killing the
// program, and makes a closed pipe (`tarnwick-flash -v ... | head`) an error
// of the write instead of the end of the program (SIGPIPE is ignored).
void installStopSignals();

}  // namespace tarnwick::flash
