// The serial-port services of Windows (kernel32), one call per service.
//
// Each method is the one kernel32 call of the same purpose, with the
// arguments the port has always been driven with: an exclusive, synchronous
// open of an existing device by the name exactly as given, the time-outs and
// device-control record handed over unchanged, and plain ReadFile/WriteFile
// whose byte counts are the results.
//
// Traps:
//   - A HANDLE travels as a PortHandle (intptr_t); INVALID_HANDLE_VALUE is -1,
//     which is kInvalidPortHandle. But -1 is also the pseudo-handle of the
//     current process, which kernel32 accepts in CloseHandle and others, so
//     calls with it never reach the system: they do nothing and report failure.
//   - The device-control record is zeroed by the caller and must reach
//     SetCommState exactly as BuildCommDCBA left it: DCBlength is never set.
//   - GetLastError is only meaningful straight after the failing call; the
//     caller asks for it before anything else runs. The reason of a failed
//     open is therefore kept as a number when it happens and worded only when
//     asked for, with Windows' own message text.
//   - A file or a pipe opens like a port; it is told apart when the port
//     services refuse it (SetCommTimeouts fails with "Incorrect function" or
//     "The handle is invalid").
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <string>

#include "serial/serial_platform.h"

namespace tarnwick::serial {
namespace {

static_assert(sizeof(DCB) <= sizeof(DeviceControlRecord::bytes),
              "the device-control record must hold a whole DCB");
static_assert(sizeof(HANDLE) <= sizeof(PortHandle), "a HANDLE must fit in a PortHandle");

HANDLE toHandle(PortHandle port) {
  return reinterpret_cast<HANDLE>(port);
}

// The errors a transfer meets once the device is gone (a USB adapter
// pulled out): access denied, device not ready, device not attached, and the
// aborts and disconnects some drivers report instead.
bool meansDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

// Errors of SetCommTimeouts that mean the handle is no communications device.
bool meansNotSerial(DWORD error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_HANDLE ||
         error == ERROR_NOT_SUPPORTED;
}

// Windows' message for an error number, without its closing line end and full stop.
std::string systemMessage(DWORD error) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "Error " + std::to_string(error) : message;
}

PortHandle fromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidPortHandle : reinterpret_cast<PortHandle>(handle);
}

class Win32SerialPlatform final : public SerialPlatform {
 public:
  PortHandle openExisting(const std::string& name) override {
    // CreateFileA sees the name only up to its first zero byte, which would
    // open a device other than the one named: such a name names no device.
    if (name.find('\0') != std::string::npos) {
      SetLastError(ERROR_INVALID_NAME);
      return noteOpenFailure(kInvalidPortHandle, false);
    }
    // Share mode 0 keeps every other opener out while the port is ours; no
    // flags, so every transfer completes before its call returns.
    const PortHandle port = fromHandle(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
    if (port == kInvalidPortHandle) return noteOpenFailure(port, false);
    openError_ = ERROR_SUCCESS;
    return port;
  }

  bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) override {
    if (port == kInvalidPortHandle) return false;
    COMMTIMEOUTS record{timeouts.readIntervalTimeout, timeouts.readTotalTimeoutMultiplier,
                        timeouts.readTotalTimeoutConstant, timeouts.writeTotalTimeoutMultiplier,
                        timeouts.writeTotalTimeoutConstant};
    if (SetCommTimeouts(toHandle(port), &record)) return true;
    return noteOpenFailure(false, meansNotSerial(GetLastError()));
  }

  bool buildDeviceControl(const std::string& mode, DeviceControlRecord& record) override {
    DCB dcb;
    std::memcpy(&dcb, record.bytes, sizeof dcb);
    const BOOL built = BuildCommDCBA(mode.c_str(), &dcb);
    if (!built) noteOpenFailure(false, false);
    std::memcpy(record.bytes, &dcb, sizeof dcb);
    return built != 0;
  }

  bool applyDeviceControl(PortHandle port, const DeviceControlRecord& record) override {
    if (port == kInvalidPortHandle) return false;
    DCB dcb;
    std::memcpy(&dcb, record.bytes, sizeof dcb);
    if (SetCommState(toHandle(port), &dcb)) return true;
    return noteOpenFailure(false, false);
  }

  // Windows' own number, as a signed value like every error number shown.
  int lastError() override { return static_cast<int>(GetLastError()); }

  std::uint32_t read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) override {
    if (port == kInvalidPortHandle) return 0;
    // A time-out is not a failure: ReadFile succeeds with fewer bytes, maybe
    // none. Only the count matters, and a failed call leaves it 0.
    DWORD received = 0;
    if (!ReadFile(toHandle(port), buffer, count, &received, nullptr)) noteFailure(port);
    return received;
  }

  std::uint32_t write(PortHandle port, const std::uint8_t* buffer, std::uint32_t count) override {
    if (port == kInvalidPortHandle) return 0;
    DWORD written = 0;
    if (!WriteFile(toHandle(port), buffer, count, &written, nullptr)) noteFailure(port);
    return written;
  }

  void flush(PortHandle port) override {
    if (port != kInvalidPortHandle) FlushFileBuffers(toHandle(port));
  }

  int close(PortHandle port) override {
    if (port == kInvalidPortHandle) return 0;
    if (port == vanished_) vanished_ = kInvalidPortHandle;
    return CloseHandle(toHandle(port));
  }

  // Asks without disturbing the error number a failed call left behind.
  bool deviceVanished(PortHandle port) const override {
    if (port == kInvalidPortHandle) return false;
    if (port == vanished_) return true;
    const DWORD savedError = GetLastError();
    DWORD errors = 0;
    const bool gone =
        !ClearCommError(toHandle(port), &errors, nullptr) && meansDeviceGone(GetLastError());
    SetLastError(savedError);
    return gone;
  }

  OpenFailure lastOpenFailure() const override {
    if (openError_ == ERROR_SUCCESS) return {};
    if (openNotSerial_) return {OpenFailureKind::NotASerialDevice, kNotASerialDevice};
    const DWORD savedError = GetLastError();
    OpenFailure failure{OpenFailureKind::Unavailable, systemMessage(openError_)};
    SetLastError(savedError);
    return failure;
  }

 private:
  // Once a transfer has found the device gone, it stays gone until the close.
  void noteFailure(PortHandle port) {
    const DWORD error = GetLastError();
    if (meansDeviceGone(error)) vanished_ = port;
    SetLastError(error);
  }

  // Keeps the error of a failed open or configuration step for
  // lastOpenFailure, leaving GetLastError as the failed call left it.
  template <class Result>
  Result noteOpenFailure(Result result, bool notSerial) {
    openError_ = GetLastError();
    openNotSerial_ = notSerial;
    return result;
  }

  PortHandle vanished_ = kInvalidPortHandle;
  DWORD openError_ = ERROR_SUCCESS;
  bool openNotSerial_ = false;
};

}  // namespace

std::unique_ptr<SerialPlatform> makeSystemSerialPlatform() {
  return std::make_unique<Win32SerialPlatform>();
}

}  // namespace tarnwick::serial
