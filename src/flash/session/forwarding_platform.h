// A serial platform that hands every call to another: the base of the
// session's wrappers, which override only the calls they watch or change.
#pragma once

#include <cstdint>
#include <string>

#include "serial/serial_platform.h"

namespace tarnwick::flash {

class ForwardingPlatform : public serial::SerialPlatform {
 public:
  explicit ForwardingPlatform(serial::SerialPlatform& system) : system_(system) {}

  serial::PortHandle openExisting(const std::string& name) override {
    return system_.openExisting(name);
  }
  bool setTimeouts(serial::PortHandle port, const serial::PortTimeouts& timeouts) override {
    return system_.setTimeouts(port, timeouts);
  }
  bool readLineMode(const std::string& mode, serial::LineMode& line) override {
    return system_.readLineMode(mode, line);
  }
  bool applyLineMode(serial::PortHandle port, const serial::LineMode& line) override {
    return system_.applyLineMode(port, line);
  }
  int lastError() override { return system_.lastError(); }
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t count) override {
    return system_.read(port, buffer, count);
  }
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override {
    return system_.write(port, buffer, count);
  }
  void flush(serial::PortHandle port) override { system_.flush(port); }
  int close(serial::PortHandle port) override { return system_.close(port); }
  bool deviceVanished(serial::PortHandle port) const override {
    return system_.deviceVanished(port);
  }
  serial::OpenFailure lastOpenFailure() const override { return system_.lastOpenFailure(); }

 protected:
  serial::SerialPlatform& system_;
};

}  // namespace tarnwick::flash
