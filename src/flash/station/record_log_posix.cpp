#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flash/station/record_log.h"

namespace tarnwick::flash {
namespace {

// Whether the regular file `path` (of `size` bytes) ends in a line end; an
// unreadable one is taken to: only the records matter then.
bool endsInLineEnd(const std::string& path, off_t size) {
  if (size == 0) return true;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  char last = '\n';
  const bool read = ::pread(fd, &last, 1, size - 1) == 1;
  ::close(fd);
  return !read || last == '\n';
}

// Sets room aside past the end of the file, leaving its length as it is;
// where the file system cannot, asks it how much room it has. Empty when
// there is room, else why not.
std::string roomFor(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return {};
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, info.st_size, RecordLog::kRoom) == 0) return {};
  if (errno == ENOSPC || errno == EDQUOT) return std::strerror(errno);
  struct statvfs disk {};
  if (::fstatvfs(fd, &disk) == 0 &&
      static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < RecordLog::kRoom) {
    return std::strerror(ENOSPC);
  }
  return {};
}

}  // namespace

struct RecordLog::File {
  int fd = -1;
  bool regular = false;  // a file on a disk, whose writes can be cut off again
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
  struct stat info {};
  if (::fstat(file->fd, &info) != 0) {
    error = std::strerror(errno);
    ::close(file->fd);
    return nullptr;
  }
  file->regular = S_ISREG(info.st_mode);
  // A pipe or a terminal (--log /dev/stdout) shows each record to whoever
  // reads it; any other device keeps none.
  if (!file->regular && !S_ISFIFO(info.st_mode) && !S_ISSOCK(info.st_mode) &&
      ::isatty(file->fd) == 0) {
    error = "a device that keeps no records (the log is a file, a pipe or a terminal)";
    ::close(file->fd);
    return nullptr;
  }
  if (file->regular) {
    error = roomFor(file->fd);
    if (!error.empty()) {
      error += " (no room on its disk for " + std::to_string(kRoom / 1024) + " KiB of records)";
      ::close(file->fd);
      return nullptr;
    }
  }
  const bool cut = file->regular && !endsInLineEnd(path, info.st_size);
  std::unique_ptr<RecordLog> log(new RecordLog(path, std::move(file)));
  log->endedInACutLine_ = cut;
  log->lineEndDue_ = cut;
  return log;
}

bool RecordLog::writeLocked(const std::string& text, std::string& error, bool& undone) {
  ssize_t written = -1;
  do {
    written = ::write(file_->fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  // A pipe or a terminal (--log /dev/stdout) has no disk to sync to: EINVAL.
  if (written >= 0 && static_cast<std::size_t>(written) == text.size() &&
      (::fsync(file_->fd) == 0 || errno == EINVAL)) {
    return true;
  }
  if (written < 0) {
    error = std::strerror(errno);
    return false;  // nothing went into the file
  }
  if (static_cast<std::size_t>(written) != text.size()) {
    error = "only " + std::to_string(written) + " of " + std::to_string(text.size()) +
            " bytes were written (disk full?)";
  } else {
    error = std::strerror(errno);  // fsync's: the record may never reach the disk
  }
  undone = false;
  if (!file_->regular || written == 0) {
    undone = written == 0;
    return false;
  }
  // An append leaves the offset at its own end; the file is cut back to
  // where it began, unless another station has appended after it since.
  const off_t end = ::lseek(file_->fd, 0, SEEK_CUR);
  struct stat info {};
  if (end >= written && ::fstat(file_->fd, &info) == 0 && info.st_size == end &&
      ::ftruncate(file_->fd, end - written) == 0) {
    undone = true;
  }
  return false;
}

}  // namespace tarnwick::flash
