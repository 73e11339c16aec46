// A whole series of Open Port attempts, through the real handlers and the
// POSIX serial link, against names that are no serial device. Each series
// ends in the give-up message after 198 attempts; names that open something
// are refused by the configuration step with its own message each time;
// nothing blocks, no byte reaches any file, nothing is created, no
// descriptor is left open, and Info and Install write nowhere afterwards.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "descriptors.h"
#include "download/download_control.h"
#include "serial/serial_platform_posix.h"
#include "serial/serial_port.h"
#include "support/fake_form.h"
#include "support/temp_folder.h"

namespace tarnwick::faults {
namespace {

using download::FormTimer;

enum class Kind { RegularFile, Fifo, DevNull, Directory, Empty, TenThousand, Latin1, Beyond8Bit };

struct OddName {
  const char* label;
  Kind kind;
  bool opensSomething;  // open() succeeds, and the configuration refuses it
};

// Test names say the case; the parameter need not be printed byte for byte.
void PrintTo(const OddName& param, std::ostream* out) {
  *out << param.label;
}

const char kKept[] = "BOOT:00000001FF\r\n";

std::u32string widened(const std::string& bytes) {
  std::u32string text;
  for (char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text;
}

class PortNames : public ::testing::TestWithParam<OddName> {
 protected:
  void SetUp() override {
    std::ofstream(folder.path() + "/file", std::ios::binary) << kKept;
    ASSERT_EQ(mkfifo((folder.path() + "/fifo").c_str(), 0600), 0);
    // A reader keeps the FIFO open, so that a write to it would get through.
    fifoReader = ::open((folder.path() + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fifoReader, 0);
    ASSERT_EQ(::mkdir((folder.path() + "/folder").c_str(), 0700), 0);
  }
  void TearDown() override { ::close(fifoReader); }

  std::u32string nameOf(Kind kind) const {
    switch (kind) {
      case Kind::RegularFile:
        return widened(folder.path() + "/file");
      case Kind::Fifo:
        return widened(folder.path() + "/fifo");
      case Kind::DevNull:
        return U"/dev/null";
      case Kind::Directory:
        return widened(folder.path() + "/folder");
      case Kind::Empty:
        return U"";
      case Kind::TenThousand:
        return std::u32string(10000, U'a');
      case Kind::Latin1:
        return widened(folder.path()) + U"/COM\u00e9:";
      case Kind::Beyond8Bit:
        return widened(folder.path()) + U"/COM\u263a:";
    }
    return U"";
  }

  std::vector<std::string> folderListing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Open Port and every attempt tick until the series gives up; the ticks made.
  int runSeries() {
    control.openPortClick();
    int ticks = 0;
    while (form.running(FormTimer::Timer3) && ticks < 1000) {
      control.attemptTick();
      ++ticks;
    }
    return ticks;
  }

  testing::TempFolder folder;
  int fifoReader = -1;
  serial::PosixSerialPlatform platform;
  testing::FakeForm form;
  std::vector<std::string> portMessages;
  serial::SerialPort port{platform, [this](const std::string& m) { portMessages.push_back(m); }};
  download::DownloadControl control{form, port};
};

TEST_P(PortNames, TheSeriesGivesUpWithoutBlockingWritingOrLeavingAnythingOpen) {
  form.portName = nameOf(GetParam().kind);
  const std::vector<std::string> listing = folderListing();
  const int descriptors = openDescriptors();
  const auto started = std::chrono::steady_clock::now();

  EXPECT_EQ(runSeries(), 199);
  control.infoClick();
  control.installClick();

  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(openDescriptors(), descriptors);
  EXPECT_EQ(form.label2, "Not present board");
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].text,
            form.portName + U" Not available! Use Serial settings to setup your ports.");
  const std::string name = testing::narrow(form.portName);
  const std::vector<std::string> refusals(
      GetParam().opensSomething ? 198 : 0,
      "Unable to set timeouts for port " + name + " Error: " + std::to_string(ENOTTY));
  EXPECT_EQ(portMessages, refusals);

  EXPECT_EQ(testing::readFile(folder.path() + "/file"), kKept);
  char byte = 0;
  EXPECT_LE(::read(fifoReader, &byte, 1), 0) << "a byte reached the FIFO";
  EXPECT_EQ(folderListing(), listing);
}

INSTANTIATE_TEST_SUITE_P(
    NotDevices, PortNames,
    ::testing::Values(OddName{"RegularFile", Kind::RegularFile, true},
                      OddName{"Fifo", Kind::Fifo, true}, OddName{"DevNull", Kind::DevNull, true},
                      OddName{"Directory", Kind::Directory, false},
                      OddName{"Empty", Kind::Empty, false},
                      OddName{"TenThousandCharacters", Kind::TenThousand, false},
                      OddName{"Latin1Character", Kind::Latin1, false},
                      OddName{"CharacterBeyond8Bits", Kind::Beyond8Bit, false}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace tarnwick::faults
