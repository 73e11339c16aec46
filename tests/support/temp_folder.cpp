#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace tarnwick::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  // ctest runs test programs side by side: a random name, made only if new.
  std::random_device random;
  for (int tries = 0; tries < 100 && path_.empty(); ++tries) {
    const fs::path candidate =
        fs::temp_directory_path() / ("tarnwick-test-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) path_ = candidate.generic_string();
  }
  if (path_.empty()) std::abort();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
  const std::string path = file(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tarnwick::testing
