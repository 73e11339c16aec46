// The system's serial platform with a recorder around it: every call goes
// through to the real device layer unchanged, and the recorder keeps what
// the tests look at (how large reads were, what was written, whether a port
// is open) and tells an observer of each transfer as it ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_platform.h"

namespace tarnwick::faults {

class ObservedPlatform : public serial::SerialPlatform {
 public:
  ObservedPlatform();

  long reads = 0;  // every read, with or without data
  long readsWithData = 0;
  std::uint32_t largestRead = 0;
  std::vector<std::string> writes;  // the bytes handed to each write
  bool keepWrites = true;           // a long measured run need not keep them
  int openPorts = 0;
  // Called as each read with data, and each write, returns.
  std::function<void(std::string_view bytes)> onRead;
  std::function<void(std::string_view bytes)> onWrite;

  // Whether the open port's device has gone (unplugged, hung up).
  bool deviceGone() const;
  long writesOf(std::string_view bytes) const;

  serial::PortHandle openExisting(const std::string& name) override;
  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) override;
  bool readLineMode(const std::string& mode, serial::LineMode& line) override;
  bool applyLineMode(serial::PortHandle port, const serial::LineMode& line) override;
  int lastError() override { return system_->lastError(); }
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t count) override;
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override;
  void flush(serial::PortHandle port) override { system_->flush(port); }
  int close(serial::PortHandle port) override;
  bool deviceVanished(serial::PortHandle port) const override {
    return system_->deviceVanished(port);
  }
  serial::OpenFailure lastOpenFailure() const override { return system_->lastOpenFailure(); }

 private:
  std::unique_ptr<serial::SerialPlatform> system_;
  serial::PortHandle open_ = serial::kInvalidPortHandle;
};

}  // namespace tarnwick::faults
