#include "flash/session/stale_input_drain.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace tarnwick::flash {
namespace {

constexpr std::size_t kKeptBytes = 255;

}  // namespace

using serial::PortHandle;

PortHandle StaleInputDrain::openExisting(const std::string& name) {
  const PortHandle port = system_.openExisting(name);
  fresh_ = port;
  return port;
}

bool StaleInputDrain::setTimeouts(PortHandle port, const serial::PortTimeouts& timeouts) {
  timeouts_ = timeouts;
  return system_.setTimeouts(port, timeouts);
}

std::uint32_t StaleInputDrain::write(PortHandle port, const std::uint8_t* buffer,
                                     std::uint32_t count) {
  if (port == fresh_ && port != serial::kInvalidPortHandle) drain(port);
  fresh_ = serial::kInvalidPortHandle;
  return system_.write(port, buffer, count);
}

int StaleInputDrain::close(PortHandle port) {
  if (port == fresh_) fresh_ = serial::kInvalidPortHandle;
  return system_.close(port);
}

void StaleInputDrain::drain(PortHandle port) {
  drained_.clear();
  // Whatever is there already comes at once; nothing is waited for.
  serial::PortTimeouts atOnce;
  atOnce.answerGap = std::chrono::milliseconds{1};
  atOnce.read.constant = std::chrono::milliseconds{1};
  if (!system_.setTimeouts(port, atOnce)) return;
  std::array<std::uint8_t, 255> piece{};
  std::size_t total = 0;
  while (total < kMostDrained) {
    const std::uint32_t got = system_.read(port, piece.data(), piece.size());
    if (got == 0) break;
    total += got;
    const std::size_t kept =
        std::min<std::size_t>(got, kKeptBytes - std::min(drained_.size(), kKeptBytes));
    drained_.append(reinterpret_cast<const char*>(piece.data()), kept);
  }
  system_.setTimeouts(port, timeouts_);
}

}  // namespace tarnwick::flash
