// A scripted serial platform: records every call, answers from queues, and
// fails any configuration step on request.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "serial/serial_platform.h"

namespace tarnwick::testing {

class FakePlatform : public serial::SerialPlatform {
 public:
  // What the fake is told to do.
  bool deviceExists = true;
  bool failTimeouts = false;
  bool failBuild = false;
  bool failApply = false;
  int errorNumber = 0;             // reported by lastError()
  std::deque<std::string> reads;   // each entry is what one read() returns
  std::uint32_t writeLimit = ~0u;  // a write takes at most this many bytes

  // What the program did.
  std::vector<std::string> calls;           // "open NAME", "timeouts", "build MODE", "apply",
                                            // "lastError", "read", "write N", "flush", "close"
  std::vector<std::string> writes;          // the bytes of every write, one entry per call
  std::vector<std::string> openedNames;     // names handed to openExisting
  std::vector<serial::PortHandle> handles;  // the handle of every call that takes one
  serial::PortTimeouts timeouts{};
  serial::LineMode line{};  // the settings of the last apply
  int openDevices = 0;      // opened and not yet closed

  std::string written() const;  // every byte written, joined
  int count(const std::string& call) const;

  serial::PortHandle openExisting(const std::string& name) override;
  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& t) override;
  bool readLineMode(const std::string& mode, serial::LineMode& read) override;
  bool applyLineMode(serial::PortHandle port, const serial::LineMode& applied) override;
  int lastError() override;
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t n) override;
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t n) override;
  void flush(serial::PortHandle port) override;
  int close(serial::PortHandle port) override;

 private:
  serial::PortHandle nextHandle_ = 3;
  serial::PortHandle open_ = serial::kInvalidPortHandle;
};

}  // namespace tarnwick::testing
