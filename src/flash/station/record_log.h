// The station's log: one line of text a board, appended, each on the disk
// before the caller goes on.
//
// How it works: the file is opened once, for appending (created if need be),
// so that a log that cannot be written is known before any board is flashed:
// a device that keeps nothing (/dev/null, /dev/full) is refused, and a file
// on a disk without room for a few records is too (room is set aside past
// its end where the file system can, without changing what the file holds).
// Each record goes out in one write of the whole line to a file opened in
// append mode, which puts it at the end of the file as it is then, whoever
// else appends (several stations on one shared folder), and is then synced
// (fsync, FlushFileBuffers) so that a power cut loses no record of a board
// that was shown as passed. One file per platform does the system calls.
//
// Traps:
//   - A write that wrote part of the line (disk full) is an error, and what
//     it wrote is cut off again: a half record would say how a board ended
//     while the screen says it was not recorded, and would glue the next
//     record onto its line. Where it cannot be cut off (another station
//     appended after it), the next record starts on a line of its own.
//   - A log whose last line was cut before this station opened it (a crash)
//     gets a line end before the first new record; the cut line stays, on
//     its own line.
//   - Appends are whole only where the file system appends: a local disk or
//     SMB; NFS does not promise it between machines.
//   - Records come from the boards' threads; one lock keeps them apart.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace tarnwick::flash {

class RecordLog {
 public:
  // Room a log's disk must have, past the end of the file, for the station
  // to start: a few dozen records.
  static constexpr std::size_t kRoom = 64 * 1024;

  // The log opened, or nothing with `error` saying why ("Permission denied").
  static std::unique_ptr<RecordLog> open(const std::string& path, std::string& error);
  ~RecordLog();
  RecordLog(const RecordLog&) = delete;
  RecordLog& operator=(const RecordLog&) = delete;

  // Appends `line` (its line end included) and syncs it; false with `error`
  // when it is not on the disk whole, and then none of it is in the file.
  bool append(const std::string& line, std::string& error);
  const std::string& path() const { return path_; }
  // The file did not end in a line end when it was opened (its last line
  // was cut short); the first record starts on a new line.
  bool endedInACutLine() const { return endedInACutLine_; }

 private:
  struct File;
  RecordLog(std::string path, std::unique_ptr<File> file);
  // Writes `text` whole and syncs it; false with `error` otherwise, and then
  // `undone` says whether the file is as it was before.
  bool writeLocked(const std::string& text, std::string& error, bool& undone);

  std::string path_;
  std::unique_ptr<File> file_;
  std::mutex mutex_;
  bool endedInACutLine_ = false;
  bool lineEndDue_ = false;  // the file's last line has no line end
};

}  // namespace tarnwick::flash
