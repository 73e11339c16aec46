// Network port names on Windows: not served yet. Every open fails with
// ERROR_NOT_SUPPORTED, so the attempts give up as for a missing port, with
// a reason that says why.
#include <windows.h>

#include "serial/net/serial_platform_factory.h"

namespace tarnwick::serial {
namespace {

class RefusingNetworkPlatform : public SerialPlatform {
 public:
  PortHandle openExisting(const std::string& /*name*/) override {
    refuse(ERROR_NOT_SUPPORTED);
    return kInvalidPortHandle;
  }
  bool setTimeouts(PortHandle, const PortTimeouts&) override { return refuse(); }
  bool readLineMode(const std::string&, LineMode&) override { return refuse(); }
  bool applyLineMode(PortHandle, const LineMode&) override { return refuse(); }
  int lastError() override { return lastError_; }
  std::uint32_t read(PortHandle, std::uint8_t*, std::uint32_t) override { return nothing(); }
  std::uint32_t write(PortHandle, const std::uint8_t*, std::uint32_t) override { return nothing(); }
  void flush(PortHandle) override {}
  int close(PortHandle) override { return 0; }
  OpenFailure lastOpenFailure() const override {
    return {OpenFailureKind::Unavailable,
            "network ports (socket://, rfc2217://) are not served on Windows yet"};
  }

 private:
  // No port ever opens here, so every other call meets an invalid handle.
  bool refuse(int error = ERROR_INVALID_HANDLE) {
    lastError_ = error;
    return false;
  }
  std::uint32_t nothing() {
    refuse();
    return 0;
  }
  int lastError_ = 0;
};

}  // namespace

std::unique_ptr<SerialPlatform> makeNetworkSerialPlatform() {
  return std::make_unique<RefusingNetworkPlatform>();
}

}  // namespace tarnwick::serial
