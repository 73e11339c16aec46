#include "machine_info.h"

#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace tarnwick::bench {

std::string machineDescription() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string model = "unknown CPU";
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  utsname system{};
  uname(&system);
  return model + ", " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores, " +
         system.sysname + " " + system.release;
}

std::string today() {
  const std::time_t now = std::time(nullptr);
  char date[16];
  std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now));
  return date;
}

int linesOption(int argc, char* argv[], int lines) {
  if (argc == 1) return lines;
  if (argc != 3 || std::string(argv[1]) != "--lines") return 0;
  const int given = std::atoi(argv[2]);
  return given >= 2 ? given : 0;
}

bool runAheadOfOtherWork() {
  sched_param priority{};
  priority.sched_priority = 10;
  return sched_setscheduler(0, SCHED_FIFO, &priority) == 0;
}

void runAsOrdinaryWork() {
  const sched_param priority{};
  sched_setscheduler(0, SCHED_OTHER, &priority);
}

}  // namespace tarnwick::bench
