// A whole download and verify run through the real handlers and the real
// Win32 serial layer, against the scripted board on COM6.
//
// The board (board_peer.py) checks every record's checksum as it takes it and
// compares the verify pass with what it took, so a run that ends on "END"
// carried every line unchanged, twice. The test plays the window's timers:
// Timer3 every 100 ms, TMRComm back to back (each read waits up to 256 ms),
// Timer2 every 500 ms.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/download_control.h"
#include "serial/serial_port.h"
#include "windows/scripted_form.h"

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kGreen = 0xFF00;
constexpr std::uint32_t kRed = 0xFF;

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

// Contains `wanted` in order, other entries allowed between them.
bool inOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted) {
  auto at = seen.begin();
  for (const auto& w : wanted) {
    at = std::find(at, seen.end(), w);
    if (at == seen.end()) return false;
  }
  return true;
}

class WineDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("TARNWICK_WINE_PEER") == nullptr) {
      GTEST_SKIP() << "no board on COM6: run scripts/test-windows";
    }
    char folder[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameA(folder, "hex", 0, file), 0u);
    hexPath = file;
    form.portName = U"COM6:";
    form.chosenFile = hexPath;
  }
  void TearDown() override {
    control.closePortClick();
    if (!hexPath.empty()) DeleteFileA(hexPath.c_str());
  }

  void writeHexFile(const std::vector<std::string>& lines) {
    std::FILE* out = std::fopen(hexPath.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    for (const auto& line : lines) std::fprintf(out, "%s\r\n", line.c_str());
    std::fclose(out);
  }

  // Ticks the running timers as the window would until `done` or the limit.
  void playTimers(const std::function<bool()>& done, milliseconds limit) {
    const auto end = Clock::now() + limit;
    auto nextAttempt = Clock::now();
    auto nextInfo = Clock::time_point::min();
    while (!done() && Clock::now() < end) {
      const auto now = Clock::now();
      if (form.running(FormTimer::Timer3) && now >= nextAttempt) {
        control.attemptTick();
        nextAttempt = now + milliseconds(100);
      }
      if (form.running(FormTimer::TMRComm)) control.receiveTick();
      if (form.running(FormTimer::Timer2)) {
        nextInfo = std::max(nextInfo, form.startedAt(FormTimer::Timer2) + milliseconds(500));
        if (Clock::now() >= nextInfo) {
          control.infoTick();
          nextInfo = Clock::now() + milliseconds(500);
        }
      }
      if (!form.running(FormTimer::TMRComm)) Sleep(20);
    }
  }

  void connect() {
    control.openPortClick();
    playTimers([this] { return form.answerBox.find("VER=") != std::string::npos; },
               milliseconds(20000));
    ASSERT_EQ(form.label2, "Ready");
    ASSERT_EQ(form.answerBox, "VER=3.30 peer\r\n");
  }

  void downloadAndWaitForOutcome() {
    control.openFileAndDownloadClick();
    playTimers(
        [this] {
          if (form.barTexts.empty()) return false;
          const std::string& last = form.barTexts.back();
          return last == "END" || last == "ERROR";
        },
        milliseconds(60000));
  }

  std::string hexPath;
  ScriptedForm form;
  std::vector<std::string> portMessages;
  std::unique_ptr<serial::SerialPlatform> platform = serial::makeSystemSerialPlatform();
  serial::SerialPort port{*platform, [this](const std::string& m) { portMessages.push_back(m); }};
  download::DownloadControl control{form, port};
};

TEST_F(WineDownloadTest, WholeRunEndsVerified) {
  const auto lines = image(11);
  writeHexFile(lines);

  connect();
  downloadAndWaitForOutcome();

  EXPECT_TRUE(inOrder(form.barTexts, {"READY", "DOWNLOAD", "VERIFY", "END"}));
  EXPECT_EQ(std::count(form.barTexts.begin(), form.barTexts.end(), "ERROR"), 0);
  EXPECT_EQ(form.barColor, kGreen);
  EXPECT_EQ(form.barValue, static_cast<std::int32_t>(lines.size()));
  // The board's count of the lines it checked in the verify pass.
  EXPECT_EQ(form.answerBox, "DOWNLOAD " + std::to_string(lines.size()) + "\r\n");
  EXPECT_EQ(control.state().imageLoaded, 0);
  EXPECT_EQ(control.state().verifyPass, 0);
  EXPECT_FALSE(form.running(FormTimer::Timer2));
  EXPECT_TRUE(form.messages.empty());
  EXPECT_TRUE(portMessages.empty());
}

TEST_F(WineDownloadTest, LineTheBoardRefusesStopsTheRunOnError) {
  auto lines = image(5);
  lines[2].back() = lines[2].back() == '0' ? '1' : '0';  // a wrong checksum
  writeHexFile(lines);

  connect();
  downloadAndWaitForOutcome();

  ASSERT_FALSE(form.barTexts.empty());
  EXPECT_EQ(form.barTexts.back(), "ERROR");
  EXPECT_EQ(form.barColor, kRed);
  EXPECT_EQ(form.barValue, 3);
  EXPECT_EQ(form.answerBox, "ERROR record 3\r\n");
  EXPECT_EQ(std::count(form.barTexts.begin(), form.barTexts.end(), "VERIFY"), 0);
}

}  // namespace
}  // namespace tarnwick::testing
