#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flash/station/record_log.h"

namespace tarnwick::flash {

struct RecordLog::File {
  int fd = -1;
};

RecordLog::RecordLog(std::string path, std::unique_ptr<File> file)
    : path_(std::move(path)), file_(std::move(file)) {}

RecordLog::~RecordLog() {
  ::close(file_->fd);
}

std::unique_ptr<RecordLog> RecordLog::open(const std::string& path, std::string& error) {
  auto file = std::make_unique<File>();
  file->fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file->fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<RecordLog>(new RecordLog(path, std::move(file)));
}

bool RecordLog::appendLocked(const std::string& line, std::string& error) {
  ssize_t written = -1;
  do {
    written = ::write(file_->fd, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) {
    error = std::strerror(errno);
    return false;
  }
  if (static_cast<std::size_t>(written) != line.size()) {
    error = "only " + std::to_string(written) + " of " + std::to_string(line.size()) +
            " bytes were written (disk full?)";
    return false;
  }
  // A pipe or a terminal (--log /dev/stdout) has no disk to sync to: EINVAL.
  if (::fsync(file_->fd) != 0 && errno != EINVAL) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace tarnwick::flash
