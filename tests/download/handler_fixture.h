// The handlers over a recording window and a scripted serial platform.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "download/download_control.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"

namespace tarnwick::testing {

// A fresh folder for the files a test writes, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes the bytes exactly as given and returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

class Handlers : public ::testing::Test {
 protected:
  FakePlatform platform;
  FakeForm form;
  std::vector<std::string> portMessages;
  std::function<void()> duringPortMessage;
  serial::SerialPort port{platform, [this](const std::string& message) {
                            portMessages.push_back(message);
                            if (duringPortMessage) duringPortMessage();
                          }};
  download::DownloadControl control{form, port};
  download::DownloadState& state = control.state();
  TempDir files;

  // Open Port and one successful attempt; forgets the first "BOOTinfo".
  void connect();
  // One receive tick that brings this chunk.
  void answer(const std::string& chunk);
  // Open File and Download on a file holding these bytes.
  void load(const std::string& bytes);
  // Lines joined with CR LF, each line terminated.
  static std::string crlfFile(const std::vector<std::string>& lines);
  // Every byte written since the last call, in order.
  std::string takeWritten();
};

}  // namespace tarnwick::testing
