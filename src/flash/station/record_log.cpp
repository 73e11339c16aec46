#include "flash/station/record_log.h"

namespace tarnwick::flash {

bool RecordLog::append(const std::string& line, std::string& error) {
  const std::lock_guard<std::mutex> lock(mutex_);
  bool undone = true;
  if (writeLocked(lineEndDue_ ? "\n" + line : line, error, undone)) {
    lineEndDue_ = false;
    return true;
  }
  // A part left in the file ends with no line end: the next record must not
  // follow it on its line.
  if (!undone) lineEndDue_ = true;
  return false;
}

}  // namespace tarnwick::flash
