#include "observed_platform.h"

#include <algorithm>

namespace tarnwick::faults {

using serial::kInvalidPortHandle;
using serial::PortHandle;

ObservedPlatform::ObservedPlatform() : system_(serial::makeSystemSerialPlatform()) {}

bool ObservedPlatform::deviceGone() const {
  return open_ != kInvalidPortHandle && system_->deviceVanished(open_);
}

long ObservedPlatform::writesOf(std::string_view bytes) const {
  return std::count(writes.begin(), writes.end(), bytes);
}

PortHandle ObservedPlatform::openExisting(const std::string& name) {
  const PortHandle port = system_->openExisting(name);
  if (port != kInvalidPortHandle) {
    open_ = port;
    ++openPorts;
  }
  return port;
}

bool ObservedPlatform::setTimeouts(PortHandle port, const serial::PortTimeouts& timeouts) {
  return system_->setTimeouts(port, timeouts);
}

bool ObservedPlatform::readLineMode(const std::string& mode, serial::LineMode& line) {
  return system_->readLineMode(mode, line);
}

bool ObservedPlatform::applyLineMode(PortHandle port, const serial::LineMode& line) {
  return system_->applyLineMode(port, line);
}

std::uint32_t ObservedPlatform::read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) {
  const std::uint32_t received = system_->read(port, buffer, count);
  ++reads;
  if (received > 0) {
    ++readsWithData;
    largestRead = std::max(largestRead, received);
    if (onRead) onRead(std::string_view(reinterpret_cast<const char*>(buffer), received));
  }
  return received;
}

std::uint32_t ObservedPlatform::write(PortHandle port, const std::uint8_t* buffer,
                                      std::uint32_t count) {
  const std::uint32_t taken = system_->write(port, buffer, count);
  const std::string_view bytes(reinterpret_cast<const char*>(buffer), count);
  if (keepWrites) writes.emplace_back(bytes);
  if (onWrite) onWrite(bytes);
  return taken;
}

int ObservedPlatform::close(PortHandle port) {
  const int result = system_->close(port);
  if (result != 0 && port == open_) {
    open_ = kInvalidPortHandle;
    --openPorts;
  }
  return result;
}

}  // namespace tarnwick::faults
