#include "flash/session/answer_delay_meter.h"

#include <algorithm>

namespace tarnwick::flash {
namespace {

constexpr long kBitsPerByte = 10;  // 8N1: a start bit, 8 data bits, a stop bit

}  // namespace

AnswerDelayMeter::Clock::duration AnswerDelayMeter::lineTime(std::uint64_t bytes) const {
  const auto bits = static_cast<long long>(bytes) * kBitsPerByte;
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
      bits * 1'000'000'000LL / static_cast<long long>(std::max(baud_, 1UL))));
}

std::optional<double> AnswerDelayMeter::medianMs() const {
  if (delaysMs_.empty()) return std::nullopt;
  std::vector<double> sorted = delaysMs_;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t middle = sorted.size() / 2;
  return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

bool AnswerDelayMeter::setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) {
  timeouts_ = timeouts;
  return system_.setTimeouts(port, timeouts);
}

bool AnswerDelayMeter::applyLineMode(serial::PortHandle port, const serial::LineMode& line) {
  if (line.baud > 0) baud_ = line.baud;
  return system_.applyLineMode(port, line);
}

std::uint32_t AnswerDelayMeter::write(serial::PortHandle port, const std::uint8_t* buffer,
                                      std::uint32_t count) {
  const auto began = clock_.now();
  const std::uint32_t taken = system_.write(port, buffer, count);
  if (taken > 0) commandLeft_ = began + lineTime(taken);
  return taken;
}

std::uint32_t AnswerDelayMeter::read(serial::PortHandle port, std::uint8_t* buffer,
                                     std::uint32_t count) {
  const auto began = clock_.now();
  const std::uint32_t got = system_.read(port, buffer, count);
  if (got == 0 || !commandLeft_ || complete()) return got;
  const auto ended = clock_.now();
  const bool lineEnded = buffer[got - 1] == '\n' && timeouts_.lineEndQuiet.count() > 0;
  const auto quiet = got == count ? Clock::duration::zero()
                     : lineEnded  ? Clock::duration(timeouts_.lineEndQuiet)
                                  : Clock::duration(timeouts_.answerGap);
  const auto firstByte = std::max(began, ended - quiet - lineTime(got - 1));
  const auto turnaround = std::max(Clock::duration::zero(), firstByte - *commandLeft_);
  delaysMs_.push_back(std::chrono::duration<double, std::milli>(turnaround).count());
  commandLeft_.reset();
  return got;
}

int AnswerDelayMeter::close(serial::PortHandle port) {
  commandLeft_.reset();
  return system_.close(port);
}

}  // namespace tarnwick::flash
