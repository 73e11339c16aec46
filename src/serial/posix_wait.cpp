#include "serial/posix_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace tarnwick::serial::posix {
namespace {

timespec toTimespec(Clock::duration span) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(span).count();
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns / 1000000000);
  ts.tv_nsec = static_cast<long>(ns % 1000000000);
  return ts;
}

}  // namespace

bool waitForEvents(int fd, short events, Clock::time_point deadline, short& revents, int& error) {
  for (;;) {
    const auto remaining = std::max<Clock::duration>(deadline - Clock::now(), Clock::duration{});
    pollfd entry{fd, events, 0};
    // ppoll, not poll: whole milliseconds would overshoot a 20 ms quiet by up to 5 %.
    const timespec wait = toTimespec(remaining);
    const int ready = ::ppoll(&entry, 1, &wait, nullptr);
    if (ready > 0) {
      revents = entry.revents;
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      error = errno;
      revents = POLLERR;
      return true;
    }
    if (Clock::now() >= deadline) return false;
  }
}

}  // namespace tarnwick::serial::posix
