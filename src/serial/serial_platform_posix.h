// The serial platform on POSIX systems: termios, poll and a monotonic clock.
//
// How it works:
//   - openExisting opens the name exactly as given, non-blocking, never
//     creating anything, and takes an exclusive flock (TIOCEXCL alone does not
//     stop root). A held port simply does not open.
//   - setTimeouts is the first call that needs a terminal: tcgetattr fails with
//     ENOTTY for a regular file, a FIFO or /dev/null, and the port is refused
//     there. The time-outs are kept per descriptor; termios cannot express them.
//   - lastOpenFailure words the errno of the failed open or configuration
//     step as strerror does ("Permission denied"); ENOTTY and EISDIR become
//     "not a serial device", and a port locked by another opener "Device or
//     resource busy" (flock itself says EWOULDBLOCK).
//   - read and write loop over ppoll() against steady_clock deadlines: a
//     read ends at count bytes, at its limit, or at the quiet after its last
//     byte that AnswerDeadline gives (the answer gap, or the line-end quiet
//     after a line feed); a write ends when all bytes are taken or at its
//     limit.
//   - openExisting asks the driver for low latency (TIOCSSERIAL with
//     ASYNC_LOW_LATENCY, which needs no privilege): a USB serial bridge then
//     hands the board's answers over at once, where an FTDI one would hold
//     them up to its 16 ms latency timer. close puts back what was there. A
//     port that refuses it (a pseudo-terminal) is used as it is, silently.
//   - flush and close wait for the driver's output queue (TIOCOUTQ) to empty,
//     but never longer than the write rule applied to what is pending plus a
//     margin; close then discards what is still stuck so that close() cannot
//     hang for the driver's 30 s closing_wait.
//
// Traps:
//   - Only descriptors this object opened are ever touched. A stale number
//     (closed, then reused by some other file) finds nothing and fails.
//   - A vanished device reports POLLHUP/EIO at once, for ever. read then waits
//     out its deadline instead of returning at once, so a caller that reads in
//     a loop does not spin a core.
//   - On a pseudo-terminal TIOCOUTQ always reads 0, so flush returns at once.
//   - deviceVanished stays true once a transfer has met EIO (ENXIO, ENODEV):
//     a device that comes back gets a new node and needs a new open.
#pragma once

#include <chrono>
#include <map>
#include <set>

#include "serial/serial_platform.h"

struct serial_struct;

namespace tarnwick::serial {

class PosixSerialPlatform : public SerialPlatform {
 public:
  PosixSerialPlatform() = default;
  PosixSerialPlatform(const PosixSerialPlatform&) = delete;
  PosixSerialPlatform& operator=(const PosixSerialPlatform&) = delete;
  ~PosixSerialPlatform() override;

  PortHandle openExisting(const std::string& name) override;
  bool setTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
  bool readLineMode(const std::string& mode, LineMode& line) override;
  bool applyLineMode(PortHandle port, const LineMode& line) override;
  int lastError() override { return lastError_; }
  std::uint32_t read(PortHandle port, std::uint8_t* buffer, std::uint32_t count) override;
  std::uint32_t write(PortHandle port, const std::uint8_t* buffer, std::uint32_t count) override;
  void flush(PortHandle port) override;
  int close(PortHandle port) override;
  // A hang-up or error on the descriptor (ppoll without waiting), or a read or
  // write that found the device gone.
  bool deviceVanished(PortHandle port) const override;
  OpenFailure lastOpenFailure() const override;

  // Extra time a drain allows beyond the write rule for what is pending.
  static constexpr std::chrono::milliseconds kDrainMargin{50};

 protected:
  // Bytes written but not yet passed to the device, or -1 when the device
  // cannot tell (not a terminal, or gone). Tests override it to play a device
  // whose output is stuck.
  virtual long pendingOutput(int fd);
  // The driver's serial settings (TIOCGSERIAL, TIOCSSERIAL); false where the
  // port refuses them. Tests override them to play a USB serial port.
  virtual bool getSerialInfo(int fd, serial_struct& info);
  virtual bool setSerialInfo(int fd, const serial_struct& info);

 private:
  using Clock = std::chrono::steady_clock;

  // The descriptor behind a handle this object opened, or -1 (errno EBADF).
  int descriptorOf(PortHandle port);
  bool fail(int error);
  // fail(), remembered as the reason the port being opened did not open.
  bool failOpening(int error);
  // Remembers a descriptor whose last failure says the device is gone.
  void noteLostDevice(int fd);
  // Waits, bounded, until the output queue is empty; false when it is not.
  bool drainOutput(int fd);
  bool waitUntil(int fd, short events, Clock::time_point deadline, short& revents);
  void askForLowLatency(int fd);
  void putBackLatency(int fd);

  std::map<int, PortTimeouts> ports_;  // open descriptors and their time-outs
  std::set<int> lostDevices_;          // open descriptors whose device has gone
  std::set<int> madeLowLatency_;       // open descriptors this object set low latency on
  int lastError_ = 0;
  int openError_ = 0;  // errno of the last failed open or configuration step
};

}  // namespace tarnwick::serial
