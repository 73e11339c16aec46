#include <unistd.h>

#include <climits>
#include <ctime>

#include "flash/station/station_record.h"

namespace tarnwick::flash {

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::string();
  return name;
}

std::tm utcCalendar(std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  return utc;
}

}  // namespace tarnwick::flash
