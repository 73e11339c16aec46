// A whole download and verify run through the real handlers and the real
// Win32 serial layer, against the scripted board on COM6. The flasher's
// session plays the window's three timers as Qt runs them.
//
// The board (board_peer.py) checks every record's checksum as it takes it and
// compares the verify pass with what it took, so a run that ends verified
// carried every line unchanged, twice.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "flash/report/exit_codes.h"
#include "flash/session/flash_session.h"
#include "serial/serial_platform.h"
#include "support/temp_folder.h"

namespace tarnwick::testing {
namespace {

// An Intel HEX data record of `count` bytes at `address`, checksum included.
std::string dataRecord(unsigned address, unsigned count) {
  std::vector<unsigned> bytes = {count, (address >> 8) & 0xFF, address & 0xFF, 0};
  for (unsigned i = 0; i < count; ++i) bytes.push_back((address + i * 7) & 0xFF);
  unsigned sum = 0;
  std::string record = ":";
  char hex[3];
  for (unsigned b : bytes) {
    sum += b;
    std::snprintf(hex, sizeof hex, "%02X", b);
    record += hex;
  }
  std::snprintf(hex, sizeof hex, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return record + hex;
}

std::vector<std::string> image(int dataLines) {
  std::vector<std::string> lines;
  for (int i = 0; i < dataLines; ++i) lines.push_back(dataRecord(0x100 + 16u * i, 16));
  lines.push_back(":00000001FF");
  return lines;
}

class WineDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("TARNWICK_WINE_PEER") == nullptr) {
      GTEST_SKIP() << "no board on COM6: run scripts/test-windows";
    }
  }

  // Connects, loads these lines and runs both passes; the flasher's exit code.
  // Everything it reports, the board's answers included, goes to `report`.
  int run(const std::vector<std::string>& lines, bool check = true) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    flash::FlashOptions options;
    options.port = "COM6:";
    options.hexFile = folder.write("image.hex", bytes);
    options.verbose = true;
    options.check = check;
    options.answerTimeout = std::chrono::seconds(20);  // generous: Wine can be slow to start
    flash::ProgressReport progress(report, flash::ProgressStyle::Lines, options.verbose);
    flash::FlashSession session(options, *platform, progress, report);
    return session.run();
  }
  bool reported(const std::string& text) const {
    return report.str().find(text) != std::string::npos;
  }

  TempFolder folder;
  std::unique_ptr<serial::SerialPlatform> platform = serial::makeSystemSerialPlatform();
  std::ostringstream report;
};

TEST_F(WineDownloadTest, WholeRunEndsVerified) {
  const auto lines = image(11);
  ASSERT_EQ(run(lines), flash::kExitVerified) << report.str();
  // The board's count of the lines it checked in the verify pass.
  EXPECT_TRUE(reported("board: DOWNLOAD " + std::to_string(lines.size()) + "\\r\\n"))
      << report.str();
  EXPECT_TRUE(reported("verified " + std::to_string(lines.size()) + " lines")) << report.str();
  EXPECT_FALSE(reported("Unable to")) << report.str();  // no configuration message
}

TEST_F(WineDownloadTest, LineTheBoardRefusesStopsTheRunOnError) {
  auto lines = image(5);
  lines[2].back() = lines[2].back() == '0' ? '1' : '0';  // a wrong checksum
  // Unchecked: the flasher's own check would refuse it before the board saw it.
  ASSERT_EQ(run(lines, false), flash::kExitBoardError) << report.str();
  EXPECT_TRUE(reported("board: ERROR record 3")) << report.str();
  EXPECT_TRUE(reported("\"ERROR\" to line 3 of 6 in the download pass")) << report.str();
  EXPECT_FALSE(reported("verify pass")) << report.str();
}

}  // namespace
}  // namespace tarnwick::testing
