#include "handler_fixture.h"

#include <fstream>
#include <random>

namespace tarnwick::testing {

TempDir::TempDir() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("tarnwick-test-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << bytes;
  return file.string();
}

void Handlers::connect() {
  control.openPortClick();
  control.attemptTick();
  ASSERT_EQ(form.label2, "Ready");
  ASSERT_EQ(takeWritten(), "BOOTinfo\r\n");
}

void Handlers::answer(const std::string& chunk) {
  platform.reads.push_back(chunk);
  control.receiveTick();
}

void Handlers::load(const std::string& bytes) {
  form.dialogAnswers.push_back(files.write("image.hex", bytes));
  control.openFileAndDownloadClick();
}

std::string Handlers::crlfFile(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

std::string Handlers::takeWritten() {
  std::string all = platform.written();
  platform.writes.clear();
  return all;
}

}  // namespace tarnwick::testing
