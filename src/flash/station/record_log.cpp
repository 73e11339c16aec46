#include "flash/station/record_log.h"

namespace tarnwick::flash {

bool RecordLog::append(const std::string& line, std::string& error) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return appendLocked(line, error);
}

}  // namespace tarnwick::flash
