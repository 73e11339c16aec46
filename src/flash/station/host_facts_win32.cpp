#include <windows.h>

#include <ctime>

#include "flash/station/station_record.h"

namespace tarnwick::flash {

std::string hostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return std::string();
  return std::string(name, size);
}

std::tm utcCalendar(std::time_t when) {
  std::tm utc{};
  gmtime_s(&utc, &when);
  return utc;
}

}  // namespace tarnwick::flash
