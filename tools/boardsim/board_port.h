// The board's end of the serial line: a new pseudo-terminal (the host opens its
// slave by the printed path) or a serial device given by path, set raw at
// 115200 baud, 8N1, no flow control.
//
// Surviving the host: the pseudo-terminal's slave is kept open here as well, so
// the host may close and reopen it any number of times. Without that, the
// master would report EIO (and poll would report POLLHUP at once, a busy loop)
// whenever no host holds the slave, and the slave's settings would be lost.
// EIO or a hang-up is still read as "no host now": the caller waits and polls
// again. Trap: answers written while no host holds the port wait in the slave's
// queue for the next host to open it, as they would in a USB serial adapter.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace boardsim {

enum class ReadStatus { kData, kQuiet, kNoHost };

struct ReadResult {
  ReadStatus status = ReadStatus::kQuiet;
  std::size_t count = 0;
};

class BoardPort {
 public:
  // Each returns null and sets `error` on failure.
  static std::unique_ptr<BoardPort> openPseudoTerminal(std::string& error);
  static std::unique_ptr<BoardPort> openDevice(const std::string& path, std::string& error);
  ~BoardPort();
  BoardPort(const BoardPort&) = delete;
  BoardPort& operator=(const BoardPort&) = delete;

  const std::string& path() const { return path_; }
  // A symbolic link `name` to path(), removed by the destructor if it still
  // points there. A stale link (left by a killed run) is replaced.
  std::string makeLink(const std::string& name);

  ReadResult read(char* buffer, std::size_t capacity, std::chrono::microseconds wait);
  // Writes all bytes, waiting up to a second for room; false if they did not go.
  bool write(const char* bytes, std::size_t count);
  // Bytes written but not yet taken by the host.
  std::size_t unread() const;
  // Closes the line: the host sees the device vanish.
  void hangUp();

 private:
  BoardPort(int fd, int keeper, std::string path);

  int fd_ = -1;
  int keeper_ = -1;  // our own hold on the pseudo-terminal's slave; -1 for a device
  std::string path_;
  std::string link_;
};

}  // namespace boardsim
