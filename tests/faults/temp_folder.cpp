#include "temp_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

namespace tarnwick::faults {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/tarnwick-faults-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

int openDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

}  // namespace tarnwick::faults
