// The simulator program itself, over its pseudo-terminal, played by a test as
// the host: the protocol, the link, a host that comes and goes, the line's
// pace, the faults that act on the line, and its flash against the binary
// image that srec_cat (an independent tool) makes of the same HEX file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "sim_process.h"

namespace boardsim::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string tempDir(const std::string& name) {
  const std::string dir =
      ::testing::TempDir() + "boardsim_" + name + "_" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::vector<std::string> hexLines(const std::string& file) {
  std::ifstream in(std::string(FIRMWARE_DIR) + "/" + file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(BoardSimProgram, AnswersTheProtocolAndReportsItsFlashAtExit) {
  const std::string flash = tempDir("protocol") + "/flash.bin";
  SimProcess sim({"--fast", "--flash-out", flash});
  HostPort host(sim.portPath());
  ASSERT_TRUE(host.isOpen()) << "port: '" << sim.portPath() << "'";
  EXPECT_EQ(host.exchange("BOOTinfo").rfind("VER=", 0), 0u);
  for (const char* record :
       {"BOOT:020000040800F2", "BOOT:0400100001020304E2", "BOOT:04000005080000C12E"}) {
    EXPECT_EQ(host.exchange(record), "OK") << record;
  }
  EXPECT_EQ(host.exchange("BOOT:00000001FF"), "DOWNLOAD");
  EXPECT_EQ(host.exchange("BOOT#020000040800F2"), "OK");
  EXPECT_EQ(host.exchange("BOOT#0400100001020305E1"), "ERROR");
  EXPECT_EQ(host.exchange("BOOT:0400100001020304E3"), "ERROR");  // checksum
  EXPECT_EQ(host.exchange("BOOTg"), "STARTING APPLICATION AT 0x080000C1");

  const std::string output = sim.stop();
  EXPECT_EQ(sim.exitStatus(), 0);
  EXPECT_NE(output.find("summary: records=6 bytes=4 base=0x08000010 errors=2"), std::string::npos)
      << output;
  EXPECT_EQ(readFile(flash), "\x01\x02\x03\x04");
  EXPECT_EQ(readFile(flash + ".base"), "0x08000010\n");
}

TEST(BoardSimProgram, LinksThePortByNameAndSurvivesTheHostComingAndGoing) {
  const std::string dir = tempDir("link");
  SimProcess sim({"--fast", "--link", "COM5:"}, dir);
  const std::string link = dir + "/COM5:";
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), sim.portPath());
  for (int round = 0; round < 25; ++round) {
    HostPort host(link);
    ASSERT_TRUE(host.isOpen()) << "round " << round;
    ASSERT_EQ(host.exchange("BOOTinfo").rfind("VER=", 0), 0u) << "round " << round;
  }
  sim.stop();
  struct stat info {};
  EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlived the simulator";
}

// Lower bounds only: a loaded machine makes the line slower, never faster.
TEST(BoardSimProgram, TakesTheTimeOfAFlashWriteAndOfA115200BaudLine) {
  SimProcess sim({"--write-delay", "150", "--burst", "400"});
  HostPort host(sim.portPath());
  const auto sent = Clock::now();
  host.send("BOOT:0400100001020304E2");
  const std::string first = host.readOnce(5s);
  const auto firstArrived = Clock::now();
  const std::string rest = host.readAnswer();
  const auto lastArrived = Clock::now();
  EXPECT_EQ(first + rest, std::string(400, '.') + "OK\r\n");
  EXPECT_GE(firstArrived - sent, 150ms);
  // The command's 25 bytes in, the write, then 404 bytes out at 86.8 us each.
  EXPECT_GE(lastArrived - sent, 150ms + (25 + 404) * 86us);
}

TEST(BoardSimProgram, SplitsAnswersAndHangsUpAtTheRecordAskedFor) {
  SimProcess sim({"--fast", "--split-answers", "--hangup-at", "2"});
  HostPort host(sim.portPath());
  host.send("BOOT:0400100001020304E2");
  const std::string first = host.readOnce(5s);
  EXPECT_EQ(first, "O");
  EXPECT_EQ(first + host.readAnswer(), "OK\r\n");
  host.send("BOOT:00000001FF");
  EXPECT_TRUE(host.seesHangUp(5s));
  const std::string output = sim.waitForExit(10s);
  EXPECT_NE(output.find("summary: records=1 "), std::string::npos) << output;
}

TEST(BoardSimProgram, ComesBackAfterAHangUpUnderTheSameLinkWithItsFlash) {
  const std::string dir = tempDir("back");
  SimProcess sim({"--fast", "--link", "COM5:", "--hangup-at", "2", "--back-after", "300"}, dir);
  {
    HostPort host(dir + "/COM5:");
    EXPECT_EQ(host.exchange("BOOT:0400100001020304E2"), "OK");
    host.send("BOOT:00000001FF");
    EXPECT_TRUE(host.seesHangUp(5s));
  }
  EXPECT_FALSE(sim.nextLine(10s).empty());
  HostPort host(dir + "/COM5:");
  ASSERT_TRUE(host.isOpen());
  EXPECT_EQ(host.exchange("BOOT#0400100001020304E2"), "OK");
  const std::string output = sim.stop();
  EXPECT_NE(output.find("summary: records=2 bytes=4 "), std::string::npos) << output;
}

// Runs `file` through the simulator as the host does: a download pass, then a
// verify pass with every ":" as "#". Returns the answers that were not "OK".
std::vector<std::string> download(HostPort& host, const std::vector<std::string>& lines) {
  std::vector<std::string> notOk;
  for (const char start : {':', '#'}) {
    for (std::string line : lines) {
      for (char& c : line) c = c == ':' ? start : c;
      const std::string answer = host.exchange("BOOT" + line);
      if (answer != "OK") notOk.push_back(answer);
      if (answer == "ERROR") return notOk;
    }
  }
  return notOk;
}

class FirmwareImage : public ::testing::TestWithParam<const char*> {};

TEST_P(FirmwareImage, FlashEqualsTheImageSrecCatMakes) {
  ASSERT_STRNE(SREC_CAT_PROGRAM, "") << "srec_cat (Debian package srecord) is needed";
  const std::string hex = std::string(FIRMWARE_DIR) + "/" + GetParam() + ".hex";
  const std::string dir = tempDir(GetParam());
  const std::string expected = dir + "/expected.bin";
  const std::string command = std::string(SREC_CAT_PROGRAM) + " '" + hex + "' -Intel -offset - " +
                              "-minimum-addr '" + hex + "' -Intel -o '" + expected + "' -Binary";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  SimProcess sim({"--fast", "--exit-after-end", "--flash-out", dir + "/flash.bin"});
  HostPort host(sim.portPath());
  EXPECT_EQ(download(host, hexLines(GetParam() + std::string(".hex"))),
            (std::vector<std::string>{"DOWNLOAD", "DOWNLOAD"}));
  EXPECT_NE(sim.waitForExit(20s).find("errors=0"), std::string::npos);
  const std::string image = readFile(dir + "/flash.bin");
  EXPECT_GT(image.size(), 2000u);
  EXPECT_TRUE(image == readFile(expected)) << "the flash differs from srec_cat's image";
}

INSTANTIATE_TEST_SUITE_P(SampleFirmware, FirmwareImage,
                         ::testing::Values("avr_blink", "arm_blink"));

TEST(BoardSimProgram, StopsTheSampleWithTheSpoiledChecksumAtItsTenthLine) {
  SimProcess sim({"--fast"});
  HostPort host(sim.portPath());
  const std::vector<std::string> lines = hexLines("bad_checksum.hex");
  std::size_t sent = 0;
  std::string answer = "OK";
  while (answer == "OK" && sent < lines.size()) answer = host.exchange("BOOT" + lines[sent++]);
  EXPECT_EQ(answer, "ERROR");
  EXPECT_EQ(sent, 10u);
}

}  // namespace
}  // namespace boardsim::testing
