// What the POSIX platforms share: the COMMTIMEOUTS rule that bounds a
// transfer, and a wait on one descriptor against a monotonic deadline.
#pragma once

#include <chrono>
#include <cstdint>

namespace tarnwick::serial::posix {

using Clock = std::chrono::steady_clock;

// multiplier x count + constant milliseconds.
Clock::duration ruleSpan(std::uint32_t multiplier, std::uint64_t count, std::uint32_t constant);

// Waits until the descriptor reports one of `events`, an error or a hang-up
// (true, with what it reported in `revents`), or until the deadline (false).
// Signals do not cut the wait short. A failing ppoll() counts as an error
// reported: POLLERR, and its errno in `error`.
bool waitForEvents(int fd, short events, Clock::time_point deadline, short& revents, int& error);

}  // namespace tarnwick::serial::posix
