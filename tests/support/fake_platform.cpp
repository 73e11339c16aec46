#include "support/fake_platform.h"

#include <algorithm>
#include <cstring>

namespace tarnwick::testing {

using serial::kInvalidPortHandle;
using serial::PortHandle;

std::string FakePlatform::written() const {
  std::string all;
  for (const auto& w : writes) all += w;
  return all;
}

int FakePlatform::count(const std::string& call) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
    return c == call || c.rfind(call + " ", 0) == 0;
  }));
}

PortHandle FakePlatform::openExisting(const std::string& name) {
  calls.push_back("open " + name);
  openedNames.push_back(name);
  if (!deviceExists) return kInvalidPortHandle;
  ++openDevices;
  open_ = nextHandle_++;
  return open_;
}

bool FakePlatform::setTimeouts(PortHandle port, const serial::PortTimeouts& t) {
  calls.push_back("timeouts");
  handles.push_back(port);
  timeouts = t;
  return port == open_ && !failTimeouts;
}

bool FakePlatform::readLineMode(const std::string& mode, serial::LineMode& read) {
  calls.push_back("build " + mode);
  if (failBuild) return false;
  // Any string builds here, as it always has; the settings are kept where it is one.
  serial::parseLineMode(mode, read);
  return true;
}

bool FakePlatform::applyLineMode(PortHandle port, const serial::LineMode& applied) {
  calls.push_back("apply");
  handles.push_back(port);
  line = applied;
  return port == open_ && !failApply;
}

int FakePlatform::lastError() {
  calls.push_back("lastError");
  return errorNumber;
}

std::uint32_t FakePlatform::read(PortHandle port, std::uint8_t* buffer, std::uint32_t n) {
  calls.push_back("read");
  handles.push_back(port);
  if (port != open_ || port == kInvalidPortHandle || reads.empty()) return 0;
  std::string chunk = reads.front();
  reads.pop_front();
  if (chunk.size() > n) {
    reads.push_front(chunk.substr(n));
    chunk.resize(n);
  }
  std::memcpy(buffer, chunk.data(), chunk.size());
  return static_cast<std::uint32_t>(chunk.size());
}

std::uint32_t FakePlatform::write(PortHandle port, const std::uint8_t* buffer, std::uint32_t n) {
  calls.push_back("write " + std::to_string(n));
  handles.push_back(port);
  if (port != open_ || port == kInvalidPortHandle) return 0;
  const std::uint32_t taken = std::min(n, writeLimit);
  writes.emplace_back(reinterpret_cast<const char*>(buffer), taken);
  return taken;
}

void FakePlatform::flush(PortHandle port) {
  calls.push_back("flush");
  handles.push_back(port);
}

int FakePlatform::close(PortHandle port) {
  calls.push_back("close");
  handles.push_back(port);
  if (port != open_ || port == kInvalidPortHandle) return 0;
  --openDevices;
  open_ = kInvalidPortHandle;
  return 1;
}

}  // namespace tarnwick::testing
