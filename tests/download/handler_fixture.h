// The handlers over a recording window and a scripted serial platform.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "download/download_control.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"
#include "support/temp_folder.h"

namespace tarnwick::testing {

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
  TempFolder files;

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
