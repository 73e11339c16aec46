// What the POSIX platforms share: a wait on one descriptor against a
// monotonic deadline.
#pragma once

#include <chrono>

namespace tarnwick::serial::posix {

using Clock = std::chrono::steady_clock;

// Waits until the descriptor reports one of `events`, an error or a hang-up
// (true, with what it reported in `revents`), or until the deadline (false).
// Signals do not cut the wait short. A failing ppoll() counts as an error
// reported: POLLERR, and its errno in `error`.
bool waitForEvents(int fd, short events, Clock::time_point deadline, short& revents, int& error);

}  // namespace tarnwick::serial::posix
