#include "serial/serial_platform_posix.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <system_error>
#include <thread>

#include "serial/answer_deadline.h"
#include "serial/mode_string.h"
#include "serial/posix_wait.h"

namespace tarnwick::serial {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a drain looks at the output queue again.
constexpr milliseconds kDrainPoll{2};

// What a mode string describes, in termios' terms.
struct LineSettings {
  speed_t speed;           // a B* constant
  tcflag_t characterSize;  // CS5 .. CS8
  char parity;             // 'n', 'e' or 'o'
  bool twoStopBits;
};

struct BaudRate {
  unsigned long value;
  speed_t speed;
};
constexpr BaudRate kBaudRates[] = {
    {110, B110},       {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},     {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600}, {115200, B115200},
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool speedOf(unsigned long baud, speed_t& speed) {
  for (const auto& rate : kBaudRates) {
    if (rate.value == baud) {
      speed = rate.speed;
      return true;
    }
  }
  return false;
}

// The settings as termios sets them; false for those it cannot (a rate
// termios has no constant for, settings no mode string gives).
bool termiosSettings(const LineMode& line, LineSettings& settings) {
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (!speedOf(line.baud, settings.speed) || line.dataBits < 5 || line.dataBits > 8 ||
      (line.parity != 'n' && line.parity != 'e' && line.parity != 'o') ||
      (line.stopBits != 1 && line.stopBits != 2)) {
    return false;
  }
  settings.characterSize = kSizes[line.dataBits - 5];
  settings.parity = line.parity;
  settings.twoStopBits = line.stopBits == 2;
  return true;
}

// Raw bytes both ways, no flow control of either kind, the given framing.
void configureRaw(termios& tio, const LineSettings& settings) {
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | settings.characterSize;
  if (settings.parity != 'n') tio.c_cflag |= PARENB;
  if (settings.parity == 'o') tio.c_cflag |= PARODD;
  if (settings.twoStopBits) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  // Never a blocking read, even if the descriptor lost O_NONBLOCK.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, settings.speed);
  ::cfsetospeed(&tio, settings.speed);
}

}  // namespace

PosixSerialPlatform::~PosixSerialPlatform() {
  while (!ports_.empty()) close(ports_.begin()->first);
}

bool PosixSerialPlatform::fail(int error) {
  lastError_ = error;
  return false;
}

bool PosixSerialPlatform::failOpening(int error) {
  openError_ = error;
  return fail(error);
}

void PosixSerialPlatform::noteLostDevice(int fd) {
  if (lastError_ == EIO || lastError_ == ENXIO || lastError_ == ENODEV) lostDevices_.insert(fd);
}

int PosixSerialPlatform::descriptorOf(PortHandle port) {
  if (port < 0 || port > INT_MAX || ports_.count(static_cast<int>(port)) == 0) {
    fail(EBADF);
    return -1;
  }
  return static_cast<int>(port);
}

PortHandle PosixSerialPlatform::openExisting(const std::string& name) {
  // open() would stop at a zero byte and reach some other file.
  if (name.find('\0') != std::string::npos) {
    failOpening(ENOENT);
    return kInvalidPortHandle;
  }
  // O_NONBLOCK: an open must not wait for carrier, and every transfer below
  // waits in ppoll() against its own deadline instead.
  const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failOpening(errno);
    return kInvalidPortHandle;
  }
  // The lock keeps out every other opener, root included; TIOCEXCL also keeps
  // out programs that do not lock. A non-terminal refuses TIOCEXCL; it is
  // turned away by setTimeouts, which reports the error to the user.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    failOpening(error == EWOULDBLOCK ? EBUSY : error);
    lastError_ = error;
    ::close(fd);
    return kInvalidPortHandle;
  }
  ::ioctl(fd, TIOCEXCL);
  askForLowLatency(fd);
  ports_[fd] = PortTimeouts{};
  openError_ = 0;
  return fd;
}

bool PosixSerialPlatform::setTimeouts(PortHandle port, const PortTimeouts& timeouts) {
  const int fd = descriptorOf(port);
  if (fd < 0) return false;
  termios probe{};
  if (::tcgetattr(fd, &probe) != 0) return failOpening(errno);
  ports_[fd] = timeouts;
  return true;
}

bool PosixSerialPlatform::readLineMode(const std::string& mode, LineMode& line) {
  LineSettings settings{};
  if (!parseLineMode(mode, line) || !termiosSettings(line, settings)) return failOpening(EINVAL);
  return true;
}

bool PosixSerialPlatform::applyLineMode(PortHandle port, const LineMode& line) {
  const int fd = descriptorOf(port);
  if (fd < 0) return false;
  LineSettings settings{};
  if (!termiosSettings(line, settings)) return failOpening(EINVAL);
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return failOpening(errno);
  configureRaw(tio, settings);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) return failOpening(errno);
  // tcsetattr succeeds when any one change took; a driver may ignore the speed.
  termios applied{};
  if (::tcgetattr(fd, &applied) != 0) return failOpening(errno);
  if (::cfgetospeed(&applied) != settings.speed) return failOpening(EINVAL);
  return true;
}

bool PosixSerialPlatform::waitUntil(int fd, short events, Clock::time_point deadline,
                                    short& revents) {
  int error = 0;
  const bool reported = posix::waitForEvents(fd, events, deadline, revents, error);
  if (error != 0) fail(error);
  return reported;
}

std::uint32_t PosixSerialPlatform::read(PortHandle port, std::uint8_t* buffer,
                                        std::uint32_t count) {
  const int fd = descriptorOf(port);
  if (fd < 0 || count == 0) return 0;
  const PortTimeouts& timeouts = ports_[fd];
  AnswerDeadline deadline(timeouts, count);
  std::uint32_t received = 0;
  while (received < count) {
    short revents = 0;
    if (!waitUntil(fd, POLLIN, deadline.end(), revents)) break;
    if (revents & POLLIN) {
      const ssize_t n = ::read(fd, buffer + received, count - received);
      if (n > 0) {
        received += static_cast<std::uint32_t>(n);
        deadline.received(buffer[received - 1]);
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      fail(n < 0 ? errno : EIO);
    } else {
      fail(EIO);
    }
    noteLostDevice(fd);
    // Hung up, or readable with nothing to read: the device is gone. It will
    // say so at once on every later call; waiting out the deadline keeps a
    // caller that reads in a loop from spinning.
    std::this_thread::sleep_until(deadline.end());
    break;
  }
  return received;
}

std::uint32_t PosixSerialPlatform::write(PortHandle port, const std::uint8_t* buffer,
                                         std::uint32_t count) {
  const int fd = descriptorOf(port);
  if (fd < 0 || count == 0) return 0;
  const auto end = Clock::now() + ports_[fd].write.forBytes(count);
  std::uint32_t taken = 0;
  while (taken < count) {
    const ssize_t n = ::write(fd, buffer + taken, count - taken);
    if (n > 0) {
      taken += static_cast<std::uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      fail(errno);  // EIO: the device is gone
      noteLostDevice(fd);
      break;
    }
    short revents = 0;
    if (!waitUntil(fd, POLLOUT, end, revents)) break;  // time-out: fewer bytes
    if (!(revents & POLLOUT)) {
      fail(EIO);
      noteLostDevice(fd);
      break;
    }
  }
  return taken;
}

bool PosixSerialPlatform::getSerialInfo(int fd, serial_struct& info) {
  return ::ioctl(fd, TIOCGSERIAL, &info) == 0;
}

bool PosixSerialPlatform::setSerialInfo(int fd, const serial_struct& info) {
  return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
}

void PosixSerialPlatform::askForLowLatency(int fd) {
  // Neither errno nor lastError() may tell of a refusal: nothing failed.
  const int savedErrno = errno;
  serial_struct info{};
  if (getSerialInfo(fd, info) && (info.flags & ASYNC_LOW_LATENCY) == 0) {
    info.flags |= ASYNC_LOW_LATENCY;
    if (setSerialInfo(fd, info)) madeLowLatency_.insert(fd);
  }
  errno = savedErrno;
}

void PosixSerialPlatform::putBackLatency(int fd) {
  if (madeLowLatency_.erase(fd) == 0) return;
  const int savedErrno = errno;
  serial_struct info{};
  if (getSerialInfo(fd, info)) {
    info.flags &= ~ASYNC_LOW_LATENCY;
    setSerialInfo(fd, info);
  }
  errno = savedErrno;
}

long PosixSerialPlatform::pendingOutput(int fd) {
  int pending = 0;
  if (::ioctl(fd, TIOCOUTQ, &pending) != 0) return -1;
  return pending;
}

bool PosixSerialPlatform::drainOutput(int fd) {
  long pending = pendingOutput(fd);
  if (pending <= 0) return true;
  const auto end =
      Clock::now() + ports_[fd].write.forBytes(static_cast<std::uint64_t>(pending)) + kDrainMargin;
  while (pending > 0) {
    const auto now = Clock::now();
    if (now >= end) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(kDrainPoll, end - now));
    pending = pendingOutput(fd);
  }
  return true;
}

void PosixSerialPlatform::flush(PortHandle port) {
  const int fd = descriptorOf(port);
  if (fd >= 0) drainOutput(fd);
}

int PosixSerialPlatform::close(PortHandle port) {
  const int fd = descriptorOf(port);
  if (fd < 0) return 0;
  // Output stuck past the drain would hold close() for the driver's
  // closing_wait (30 s by default): discard it.
  if (!drainOutput(fd)) ::tcflush(fd, TCOFLUSH);
  // Exclusive mode outlives this descriptor while others hold the device.
  ::ioctl(fd, TIOCNXCL);
  putBackLatency(fd);
  ports_.erase(fd);
  lostDevices_.erase(fd);
  ::close(fd);  // releases the lock too
  return 1;
}

bool PosixSerialPlatform::deviceVanished(PortHandle port) const {
  if (port < 0 || port > INT_MAX) return false;
  const int fd = static_cast<int>(port);
  if (ports_.count(fd) == 0) return false;
  if (lostDevices_.count(fd) != 0) return true;
  // No events asked for: hang-up and error conditions are reported anyway.
  const int savedErrno = errno;
  pollfd entry{fd, 0, 0};
  const timespec noWait{};
  const int ready = ::ppoll(&entry, 1, &noWait, nullptr);
  errno = savedErrno;
  return ready > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

OpenFailure PosixSerialPlatform::lastOpenFailure() const {
  if (openError_ == 0) return {};
  if (openError_ == ENOTTY || openError_ == EISDIR) {
    return {OpenFailureKind::NotASerialDevice, kNotASerialDevice};
  }
  // The generic category words errno as strerror does, without its shared buffer.
  return {OpenFailureKind::Unavailable, std::generic_category().message(openError_)};
}

std::unique_ptr<SerialPlatform> makeSystemSerialPlatform() {
  return std::make_unique<PosixSerialPlatform>();
}

}  // namespace tarnwick::serial
