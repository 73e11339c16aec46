// How long Open File and Download takes on a full table: 9000 lines of 43
// characters, the longest file the loader accepts. Measured, not asserted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "download/download_control.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"

int main() {
  namespace download = tarnwick::download;
  namespace fakes = tarnwick::testing;
  using Clock = std::chrono::steady_clock;
  std::string bytes;
  for (int i = 0; i < download::kMaxImageLines; ++i) {
    bytes += ":10000000000102030405060708090A0B0C0D0E0F78\r\n";
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / "tarnwick-load-bench.hex").string();
  std::ofstream(path, std::ios::binary) << bytes;

  fakes::FakePlatform platform;
  tarnwick::serial::SerialPort port(platform, nullptr);
  std::vector<double> millis;
  for (int run = 0; run < 50; ++run) {
    fakes::FakeForm form;
    download::DownloadControl control(form, port);
    form.dialogAnswers.push_back(path);
    const auto start = Clock::now();
    control.openFileAndDownloadClick();
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (control.state().lineTotal != download::kMaxImageLines) return 1;
  }
  std::filesystem::remove(path);
  std::sort(millis.begin(), millis.end());
  std::printf("9000-line load over 50 runs: min %.2f ms, median %.2f ms, max %.2f ms\n",
              millis.front(), millis[millis.size() / 2], millis.back());
  return 0;
}
