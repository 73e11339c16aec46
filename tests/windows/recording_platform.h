// The real Win32 serial layer with a note of what passed through it.
//
// Every call goes to the system's platform unchanged; the wrapper only keeps
// the handle and error of the last open and the size and result of every
// write, so a test can look at the device itself (GetCommState) and at how a
// long text was cut into writes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/serial_platform.h"

namespace tarnwick::testing {

struct WriteCall {
  std::uint32_t asked = 0;
  std::uint32_t written = 0;
};

class RecordingPlatform : public serial::SerialPlatform {
 public:
  RecordingPlatform() : system_(serial::makeSystemSerialPlatform()) {}

  serial::PortHandle lastOpened = serial::kInvalidPortHandle;
  int openError = 0;  // the system's error number of the last failed open
  std::vector<WriteCall> writes;

  serial::PortHandle openExisting(const std::string& name) override {
    lastOpened = system_->openExisting(name);
    // Taken at once: the test framework's own calls may replace it later.
    if (lastOpened == serial::kInvalidPortHandle) openError = system_->lastError();
    return lastOpened;
  }
  bool setTimeouts(serial::PortHandle port, const serial::CommTimeouts& timeouts) override {
    return system_->setTimeouts(port, timeouts);
  }
  bool buildDeviceControl(const std::string& mode, serial::DeviceControlRecord& record) override {
    return system_->buildDeviceControl(mode, record);
  }
  bool applyDeviceControl(serial::PortHandle port,
                          const serial::DeviceControlRecord& record) override {
    return system_->applyDeviceControl(port, record);
  }
  int lastError() override { return system_->lastError(); }
  std::uint32_t read(serial::PortHandle port, std::uint8_t* buffer, std::uint32_t count) override {
    return system_->read(port, buffer, count);
  }
  std::uint32_t write(serial::PortHandle port, const std::uint8_t* buffer,
                      std::uint32_t count) override {
    const std::uint32_t written = system_->write(port, buffer, count);
    writes.push_back({count, written});
    return written;
  }
  void flush(serial::PortHandle port) override { system_->flush(port); }
  int close(serial::PortHandle port) override { return system_->close(port); }

 private:
  std::unique_ptr<serial::SerialPlatform> system_;
};

}  // namespace tarnwick::testing
