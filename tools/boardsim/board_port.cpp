#include "board_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace boardsim {
namespace {

constexpr int kWriteRoomWaitMs = 1000;

std::string describe(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool setRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
  cfsetispeed(&settings, B115200);
  cfsetospeed(&settings, B115200);
  return tcsetattr(fd, TCSANOW, &settings) == 0;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

BoardPort::BoardPort(int fd, int keeper, std::string path)
    : fd_(fd), keeper_(keeper), path_(std::move(path)) {}

BoardPort::~BoardPort() {
  hangUp();
  if (link_.empty()) return;
  char target[512];
  const ssize_t length = readlink(link_.c_str(), target, sizeof target);
  if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == path_) {
    unlink(link_.c_str());
  }
}

std::unique_ptr<BoardPort> BoardPort::openPseudoTerminal(std::string& error) {
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    error = describe("cannot open a pseudo-terminal");
    return nullptr;
  }
  const char* name = ttyname(slave);
  if (name == nullptr || !setRaw(slave)) {
    error = describe("cannot set up the pseudo-terminal");
    close(master);
    close(slave);
    return nullptr;
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  fcntl(master, F_SETFD, FD_CLOEXEC);
  fcntl(slave, F_SETFD, FD_CLOEXEC);
  return std::unique_ptr<BoardPort>(new BoardPort(master, slave, name));
}

std::unique_ptr<BoardPort> BoardPort::openDevice(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = describe("cannot open " + path);
    return nullptr;
  }
  if (!setRaw(fd)) {
    error = describe("cannot set up " + path + " as a serial line");
    close(fd);
    return nullptr;
  }
  return std::unique_ptr<BoardPort>(new BoardPort(fd, -1, path));
}

std::string BoardPort::makeLink(const std::string& name) {
  struct stat info {};
  if (lstat(name.c_str(), &info) == 0) {
    if (!S_ISLNK(info.st_mode)) return name + " exists and is not a symbolic link";
    unlink(name.c_str());
  }
  if (symlink(path_.c_str(), name.c_str()) != 0) return describe("cannot create link " + name);
  link_ = name;
  return {};
}

ReadResult BoardPort::read(char* buffer, std::size_t capacity, std::chrono::microseconds wait) {
  if (fd_ < 0) return ReadResult{ReadStatus::kNoHost, 0};
  pollfd watch{fd_, POLLIN, 0};
  // ppoll: a bridge's 1 ms frame must not wait for a whole millisecond more.
  const timespec limit{static_cast<time_t>(wait.count() / 1000000),
                       static_cast<long>(wait.count() % 1000000) * 1000};
  const int ready = ppoll(&watch, 1, &limit, nullptr);
  if (ready <= 0) return {};  // quiet, or interrupted by a signal
  const ssize_t count = ::read(fd_, buffer, capacity);
  if (count > 0) return ReadResult{ReadStatus::kData, static_cast<std::size_t>(count)};
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return {};
  return ReadResult{ReadStatus::kNoHost, 0};
}

bool BoardPort::write(const char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count && fd_ >= 0) {
    const ssize_t wrote = ::write(fd_, bytes + done, count - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      continue;
    }
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0 && errno != EAGAIN) return false;
    pollfd watch{fd_, POLLOUT, 0};
    if (poll(&watch, 1, kWriteRoomWaitMs) <= 0) return false;
  }
  return done == count;
}

std::size_t BoardPort::unread() const {
  int queued = 0;
  // The slave's input queue is what the host has not read; a device's is its output queue.
  const bool known = keeper_ >= 0 ? ioctl(keeper_, TIOCINQ, &queued) == 0
                                  : fd_ >= 0 && ioctl(fd_, TIOCOUTQ, &queued) == 0;
  return known && queued > 0 ? static_cast<std::size_t>(queued) : 0;
}

void BoardPort::hangUp() {
  // A device whose output is stuck would hold up close() for up to 30 s.
  if (fd_ >= 0 && keeper_ < 0) tcflush(fd_, TCOFLUSH);
  closeFd(fd_);
  closeFd(keeper_);
}

}  // namespace boardsim
