// The station's log: one line of text a board, appended, each on the disk
// before the caller goes on.
//
// How it works: the file is opened once, for appending (created if need be),
// so that a log that cannot be written is known before any board is flashed.
// Each record goes out in one write of the whole line to a file opened in
// append mode, which puts it at the end of the file as it is then, whoever
// else appends (several stations on one shared folder), and is then synced
// (fsync, FlushFileBuffers) so that a power cut loses no record of a board
// that was shown as passed. One file per platform does the system calls.
//
// Traps:
//   - A write that wrote part of the line is an error: a half record would
//     be followed by the next one on the same line.
//   - Appends are whole only where the file system appends: a local disk or
//     SMB; NFS does not promise it between machines.
//   - Records come from the boards' threads; one lock keeps them apart.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarnwick::flash {

class RecordLog {
 public:
  // The log opened, or nothing with `error` saying why ("Permission denied").
  static std::unique_ptr<RecordLog> open(const std::string& path, std::string& error);
  ~RecordLog();
  RecordLog(const RecordLog&) = delete;
  RecordLog& operator=(const RecordLog&) = delete;

  // Appends `line` (its line end included) and syncs it; false with `error`
  // when it is not on the disk whole.
  bool append(const std::string& line, std::string& error);
  const std::string& path() const { return path_; }

 private:
  struct File;
  RecordLog(std::string path, std::unique_ptr<File> file);
  bool appendLocked(const std::string& line, std::string& error);

  std::string path_;
  std::unique_ptr<File> file_;
  std::mutex mutex_;
};

}  // namespace tarnwick::flash
