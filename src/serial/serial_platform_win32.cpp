// The serial-port services of Windows (kernel32), one call per service.
//
// Each method is the one kernel32 call of the same purpose, with the
// arguments the port has always been driven with: an exclusive, synchronous
// open of an existing device by the name exactly as given, the time-outs as
// one COMMTIMEOUTS record, a DCB built by BuildCommDCBA from the mode string,
// and plain ReadFile/WriteFile whose byte counts are the results.
//
// A port that ends answers at line ends (a lineEndQuiet) is read in short
// ReadFile calls instead, each bounded by read time-outs set for it, against
// the deadlines of AnswerDeadline: COMMTIMEOUTS can say "this long after any
// byte" but not "sooner after a line feed".
//
// Traps:
//   - A HANDLE travels as a PortHandle (intptr_t); INVALID_HANDLE_VALUE is -1,
//     which is kInvalidPortHandle. But -1 is also the pseudo-handle of the
//     current process, which kernel32 accepts in CloseHandle and others, so
//     calls with it never reach the system: they do nothing and report failure.
//   - The DCB starts zeroed and reaches SetCommState exactly as
//     BuildCommDCBA left it: DCBlength is never set. readLineMode builds it
//     from the mode string to read the settings out; applyLineMode builds it
//     again from the same settings written as a mode string.
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

#include <algorithm>
#include <chrono>
#include <map>
#include <string>

#include "serial/answer_deadline.h"
#include "serial/mode_string.h"
#include "serial/serial_platform.h"

namespace tarnwick::serial {
namespace {

static_assert(sizeof(HANDLE) <= sizeof(PortHandle), "a HANDLE must fit in a PortHandle");

HANDLE toHandle(PortHandle port) {
  return reinterpret_cast<HANDLE>(port);
}

// The errors a transfer meets once the device is gone (a USB adapter
// pulled out): access denied, device not ready (Wine's word for a hung-up
// terminal), bad command, general failure, the abort and the
// disconnects some drivers report instead.
bool meansDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
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

DWORD milliseconds(std::chrono::milliseconds span) {
  return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(span.count(), 0));
}

COMMTIMEOUTS commTimeouts(const PortTimeouts& timeouts) {
  return COMMTIMEOUTS{milliseconds(timeouts.answerGap), milliseconds(timeouts.read.perByte),
                      milliseconds(timeouts.read.constant), milliseconds(timeouts.write.perByte),
                      milliseconds(timeouts.write.constant)};
}

// The settings a DCB holds, when they are ones a mode string of the form
// "115200,n,8,1" gives: no mark or space parity, no 1.5 stop bits, no flow
// control of either kind.
bool lineModeOf(const DCB& dcb, LineMode& line) {
  if (dcb.fOutX || dcb.fInX || dcb.fOutxCtsFlow || dcb.fOutxDsrFlow ||
      dcb.fRtsControl == RTS_CONTROL_HANDSHAKE || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
    return false;
  }
  static constexpr char kParity[] = {'n', 'o', 'e'};  // NOPARITY, ODDPARITY, EVENPARITY
  if (dcb.Parity > EVENPARITY || dcb.ByteSize < 5 || dcb.ByteSize > 8 ||
      (dcb.StopBits != ONESTOPBIT && dcb.StopBits != TWOSTOPBITS) || dcb.BaudRate == 0) {
    return false;
  }
  line.baud = dcb.BaudRate;
  line.parity = kParity[dcb.Parity];
  line.dataBits = dcb.ByteSize;
  line.stopBits = dcb.StopBits == TWOSTOPBITS ? 2 : 1;
  return true;
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

  bool setTimeouts(PortHandle port, const PortTimeouts& timeouts) override {
    if (port == kInvalidPortHandle) return false;
    COMMTIMEOUTS record = commTimeouts(timeouts);
    if (!SetCommTimeouts(toHandle(port), &record)) {
      return noteOpenFailure(false, meansNotSerial(GetLastError()));
    }
    timeouts_[port] = timeouts;
    return true;
  }

  bool readLineMode(const std::string& mode, LineMode& line) override {
    DCB dcb{};
    if (!BuildCommDCBA(mode.c_str(), &dcb)) return noteOpenFailure(false, false);
    if (lineModeOf(dcb, line)) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return noteOpenFailure(false, false);
  }

  bool applyLineMode(PortHandle port, const LineMode& line) override {
    if (port == kInvalidPortHandle) return false;
    DCB dcb{};
    if (BuildCommDCBA(lineModeText(line).c_str(), &dcb) && SetCommState(toHandle(port), &dcb)) {
      return true;
    }
    return noteOpenFailure(false, false);
  }

  // Windows' own number, as a signed value like every error number shown.
  int lastError() override { return static_cast<int>(GetLastError()); }

  // A device found gone is not read again: under Wine a read of a hung-up
  // terminal succeeds empty only at its time-out, busy all the while.
  std::uint32_t read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) override {
    if (port == kInvalidPortHandle || port == vanished_) return 0;
    const auto found = timeouts_.find(port);
    if (found != timeouts_.end() && found->second.lineEndQuiet.count() > 0 && count > 0) {
      return readToLineEnd(port, buffer, count, found->second);
    }
    return readOnce(port, buffer, count);
  }

  std::uint32_t write(PortHandle port, const std::uint8_t* buffer, std::uint32_t count) override {
    if (port == kInvalidPortHandle) return 0;
    DWORD written = 0;
    if (!WriteFile(toHandle(port), buffer, count, &written, nullptr)) noteFailure(port);
    return written;
  }

  // The read path's flush is where a hung-up device first says so under Wine.
  void flush(PortHandle port) override {
    if (port != kInvalidPortHandle && !FlushFileBuffers(toHandle(port))) noteFailure(port);
  }

  int close(PortHandle port) override {
    if (port == kInvalidPortHandle) return 0;
    if (port == vanished_) vanished_ = kInvalidPortHandle;
    timeouts_.erase(port);
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
  using Clock = std::chrono::steady_clock;

  // One ReadFile under the time-outs the port has now. A time-out is not a
  // failure: ReadFile succeeds with fewer bytes, maybe none. Only the count
  // matters, and a failed call leaves it 0.
  std::uint32_t readOnce(PortHandle port, std::uint8_t* buffer, std::uint32_t count) {
    DWORD received = 0;
    if (!ReadFile(toHandle(port), buffer, count, &received, nullptr)) noteFailure(port);
    return received;
  }

  // Short reads against the deadlines: each waits for its first byte at most
  // until the current end, then returns once the line has been quiet for the
  // line-end quiet, so that the last byte can be looked at. Only the read
  // time-outs change; the write time-outs stay as set.
  std::uint32_t readToLineEnd(PortHandle port, std::uint8_t* buffer, std::uint32_t count,
                              const PortTimeouts& timeouts) {
    AnswerDeadline deadline(timeouts, count);
    COMMTIMEOUTS record = commTimeouts(timeouts);
    record.ReadIntervalTimeout = milliseconds(timeouts.lineEndQuiet);
    record.ReadTotalTimeoutMultiplier = 0;
    std::uint32_t received = 0;
    while (received < count) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline.end() - Clock::now());
      if (left.count() <= 0) break;
      record.ReadTotalTimeoutConstant = milliseconds(left);
      DWORD got = 0;
      // A failed call is a device gone or refusing: its error stays for lastError().
      if (!SetCommTimeouts(toHandle(port), &record) ||
          !ReadFile(toHandle(port), buffer + received, count - received, &got, nullptr)) {
        noteFailure(port);
        break;
      }
      if (got == 0) {
        // Empty before the deadline: the line is quiet, or the device is gone.
        if (goneNow(port)) break;
        continue;
      }
      received += got;
      deadline.received(buffer[received - 1]);
    }
    return received;
  }

  bool goneNow(PortHandle port) {
    if (deviceVanished(port)) vanished_ = port;
    return port == vanished_;
  }

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

  std::map<PortHandle, PortTimeouts> timeouts_;  // of every port configured
  PortHandle vanished_ = kInvalidPortHandle;
  DWORD openError_ = ERROR_SUCCESS;
  bool openNotSerial_ = false;
};

}  // namespace

std::unique_ptr<SerialPlatform> makeSystemSerialPlatform() {
  return std::make_unique<Win32SerialPlatform>();
}

}  // namespace tarnwick::serial
