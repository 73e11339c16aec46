// How long the board's answers take to reach the flasher: the turnaround of
// its first answers, from the command's last byte leaving the port to the
// answer's first byte arriving. A USB serial bridge that holds what the board
// sends until its latency timer runs out (16 ms by default on FTDI's) adds
// that wait to every line, and the flasher tells its user so.
//
// How it works: the meter sits between the port layer and the platform and
// sees every write and read. A command's last byte leaves one line time (10
// bits a byte at the port's rate) per byte after its write began. A read
// ends on the quiet after its answer (the line-end quiet after a line feed,
// else the answer gap) or on a full buffer; the first byte of the answer
// came that quiet and the rest of its bytes' line time before the read
// ended, and not before the read began. The first read that brings bytes
// after a write gives one turnaround; the first kAnswersMeasured count.
//
// Trap: the read is never split to time its first byte exactly: a second
// read would wait its whole limit when nothing more comes, and slow every
// line down.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "flash/session/forwarding_platform.h"
#include "flash/session/timer_loop.h"
#include "serial/serial_platform.h"

namespace tarnwick::flash {

class AnswerDelayMeter : public ForwardingPlatform {
 public:
  static constexpr std::size_t kAnswersMeasured = 16;
  // A median turnaround this long says an adapter holds the answers back:
  // a board answering on a bare line takes a few milliseconds at most.
  static constexpr double kHeldBackMs = 8;

  AnswerDelayMeter(serial::SerialPlatform& system, LoopClock& clock)
      : ForwardingPlatform(system), clock_(clock) {}

  // The median of the turnarounds measured so far, in milliseconds; none before the first.
  std::optional<double> medianMs() const;
  bool complete() const { return delaysMs_.size() >= kAnswersMeasured; }

  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) override;
  bool applyLineMode(serial::PortHandle port, const serial::LineMode& line) override;
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t count) override;
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override;
  int close(serial::PortHandle port) override;

 private:
  using Clock = LoopClock::Clock;
  Clock::duration lineTime(std::uint64_t bytes) const;

  LoopClock& clock_;
  serial::PortTimeouts timeouts_{};
  unsigned long baud_ = 115200;
  std::optional<Clock::time_point> commandLeft_;  // a command waiting for its answer
  std::vector<double> delaysMs_;
};

// What the user can do about answers held back by the adapter of `device`,
// in this system's terms: a sentence or two.
std::string answerDelayAdvice(const std::string& device);

}  // namespace tarnwick::flash
