#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace tarnwick::testing {

using Clock = std::chrono::steady_clock;

PtyPair::PtyPair() {
  int slave = -1;
  if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  slavePath_ = ttyname(slave);
  slaveKeeper_ = slave;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
  if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
  hangUp();
}

void PtyPair::hangUp() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

void PtyPair::send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      throw std::runtime_error("pty master write failed");
    } else {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 10);
    }
  }
}

static bool readSome(int fd, std::string& into, int waitMs) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, waitMs) <= 0 || !(p.revents & POLLIN)) return false;
  char buffer[4096];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n <= 0) return false;
  into.append(buffer, static_cast<std::size_t>(n));
  return true;
}

std::string PtyPair::receive(std::size_t count, std::chrono::milliseconds limit) {
  std::string got;
  const auto end = Clock::now() + limit;
  while (got.size() < count && Clock::now() < end) readSome(master_, got, 5);
  return got;
}

std::string PtyPair::receiveUntilQuiet(std::chrono::milliseconds quiet,
                                       std::chrono::milliseconds limit) {
  std::string got;
  const auto end = Clock::now() + limit;
  auto lastByte = Clock::now();
  while (Clock::now() < end && Clock::now() - lastByte < quiet) {
    if (readSome(master_, got, 2)) lastByte = Clock::now();
  }
  return got;
}

}  // namespace tarnwick::testing
