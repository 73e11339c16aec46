// Whole runs through the handlers and the real serial link, against a board
// played by the test on the other side of a pseudo-terminal.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "handler_fixture.h"
#include "support/pty_pair.h"

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using namespace std::chrono_literals;

// Bounds for a loaded 2-core machine; a normal exchange takes milliseconds.
constexpr auto kHearLimit = 3s;

class PtyRun : public ::testing::Test {
 protected:
  PtyPair board;
  std::unique_ptr<serial::SerialPlatform> platform = serial::makeSystemSerialPlatform();
  FakeForm form;
  std::vector<std::string> portMessages;
  serial::SerialPort port{*platform,
                          [this](const std::string& message) { portMessages.push_back(message); }};
  download::DownloadControl control{form, port};
  TempFolder files;

  void SetUp() override {
    form.realSleep = true;
    form.portName.clear();
    for (char c : board.slavePath()) form.portName.push_back(static_cast<unsigned char>(c));
  }
  void TearDown() override { control.unload(); }

  void connectAndLoad(const std::string& image) {
    control.openPortClick();
    control.attemptTick();
    ASSERT_EQ(form.label2, "Ready") << (portMessages.empty() ? "" : portMessages[0]);
    hears("BOOTinfo\r\n");
    form.dialogAnswers.push_back(files.write("image.hex", image));
    control.openFileAndDownloadClick();
    ASSERT_EQ(form.barText, "READY");
    ASSERT_EQ(form.barMax, 3);
  }
  // The board hears exactly these bytes next.
  void hears(const std::string& bytes) {
    EXPECT_EQ(board.receive(bytes.size(), kHearLimit), bytes);
  }
  // The board answers and one receive tick takes the answer in.
  void says(const std::string& answer) {
    board.send(answer);
    control.receiveTick();
  }
  void hearsNothingMore() { EXPECT_EQ(board.receiveUntilQuiet(150ms, 1s), ""); }
};

TEST_F(PtyRun, AWholeRunGoesOutByteForByte) {
  ASSERT_NO_FATAL_FAILURE(
      connectAndLoad(":020000040000FA\r\n:0400000001:02:0304\r\n:00000001FF\r\n"));
  control.infoTick();
  hears("BOOTinfo\r\n");
  says("VER=1.07 boot\r\n");
  EXPECT_EQ(form.text8Box, "VER=1.07 boot\r\n");
  EXPECT_FALSE(form.running(FormTimer::Timer2));
  hears("BOOT:020000040000FA\r\n");
  says("OK\r\n");
  hears("BOOT:0400000001:02:0304\r\n");
  says("OK\r\n");
  hears("BOOT:00000001FF\r\n");
  EXPECT_EQ(form.barValue, 3);
  EXPECT_EQ(control.state().lineIndex, 0);
  says("DOWNLOAD\r\n");
  EXPECT_EQ(form.barText, "VERIFY");
  hears("BOOT#020000040000FA\r\n");
  says("OK\r\n");
  hears("BOOT#0400000001#02#0304\r\n");
  says("OK\r\n");
  hears("BOOT#00000001FF\r\n");
  says("DOWNLOAD\r\n");
  EXPECT_EQ(form.barText, "END");
  EXPECT_EQ(form.barColor, 0xFF00u);
  EXPECT_EQ(control.state().verifyPass, 0);
  EXPECT_EQ(control.state().imageLoaded, 0);
  EXPECT_EQ(control.state().downloadRequested, 1);
  hearsNothingMore();
  // The board's word decides: an OK after the end starts the download again.
  says("OK\r\n");
  hears("BOOT:020000040000FA\r\n");
}

TEST_F(PtyRun, AnErrorRestsTheRunUntilTheBoardSaysOk) {
  ASSERT_NO_FATAL_FAILURE(connectAndLoad("a\r\nb\r\nc\r\n"));
  says("VER=1\r\n");
  hears("BOOTa\r\n");
  says("ERROR checksum\r\n");
  EXPECT_EQ(form.barText, "ERROR");
  hearsNothingMore();
  says("OK\r\n");
  hears("BOOTb\r\n");
  control.closePortClick();
  board.send("OK\r\n");
  hearsNothingMore();
}

}  // namespace
}  // namespace tarnwick::testing
