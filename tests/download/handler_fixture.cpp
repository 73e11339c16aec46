#include "handler_fixture.h"

namespace tarnwick::testing {

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
