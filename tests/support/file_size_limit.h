// A disk that fills up, for the writing process only: while one of these
// lives, no file this process writes grows past `bytes` (a write that would
// is cut short, the next fails with "File too large"), as on a full disk.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace tarnwick::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &before_);
    // The signal would end the program; the failed write is what is tested.
    signalBefore_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, signalBefore_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit before_{};
  void (*signalBefore_)(int) = nullptr;
};

}  // namespace tarnwick::testing
