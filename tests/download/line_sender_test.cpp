// The line sender, its guards, and the info polling.
#include <string>
#include <vector>

#include "download/line_guards.h"
#include "handler_fixture.h"

namespace tarnwick::testing {
namespace {

using download::MessageStyle;
using download::RuntimeError;
using Log = std::vector<std::string>;

TEST_F(Handlers, WithNothingLoadedOrAnEmptyFileTheSenderDoesNothingAtAll) {
  connect();
  const std::size_t mark = form.log.size();
  control.sendClick();
  control.sendClick();
  answer("OK");
  EXPECT_EQ(takeWritten(), "");
  EXPECT_EQ(form.logFrom(mark), (Log{"Pic 0xffffff", "Pic 0xff", "Text8 OK"}));
  EXPECT_EQ(state.lineIndex, 0);

  load("");
  answer("VER=1");
  answer("OK");
  answer("DOWNLOAD");
  control.sendClick();
  EXPECT_EQ(takeWritten(), "");
  EXPECT_EQ(form.barText, "VERIFY");
  EXPECT_TRUE(form.messages.empty());
}

TEST_F(Handlers, LinesLeftByALongerFileAreNeverSent) {
  connect();
  load(crlfFile({"1", "2", "3", "4", "5"}));
  load(crlfFile({"x", "y"}));
  ASSERT_EQ(state.hexLines[3], "3");
  answer("VER=1");
  for (int i = 0; i < 4; ++i) answer("OK");
  EXPECT_EQ(takeWritten(), "BOOTx\r\nBOOTy\r\nBOOTx\r\nBOOTy\r\nBOOTx\r\n");
}

TEST_F(Handlers, AOneLineImageSendsLineOneEveryTime) {
  connect();
  load(":00000001FF");
  control.sendClick();
  control.sendClick();
  EXPECT_EQ(takeWritten(), "BOOT:00000001FF\r\nBOOT:00000001FF\r\n");
  EXPECT_EQ(state.lineIndex, 0);
  EXPECT_EQ(form.barValue, 1);
}

TEST_F(Handlers, OnlyTheDownloadFormWritesTheBarText) {
  load(crlfFile({"a:b", "c"}));
  form.barText = "x";
  control.sendClick();
  EXPECT_EQ(form.barText, "DOWNLOAD");
  state.verifyPass = 1;
  form.barText = "VERIFY";
  control.sendClick();
  EXPECT_EQ(form.barText, "VERIFY");
}

TEST(LineGuards, TheCounterStopsAtItsLimitAndTheTableAtItsEnd) {
  download::LineNumber index = 32767;
  std::optional<RuntimeError> error = download::advanceLineIndex(index);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number, 6);
  EXPECT_EQ(index, 32767);

  index = 9000;
  error = download::advanceLineIndex(index);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number, 9);
  EXPECT_EQ(index, 9001);
  EXPECT_NE(error->description.find("9001"), std::string::npos);

  index = -1;
  EXPECT_TRUE(download::advanceLineIndex(index));
  index = 8999;
  EXPECT_FALSE(download::advanceLineIndex(index));
  EXPECT_EQ(index, 9000);
}

TEST_F(Handlers, ARefusedLineIsShownBySendButEndsATickSilently) {
  connect();
  state.lineTotal = 9500;
  state.lineIndex = 9000;
  form.barValue = 17;
  control.sendClick();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].style, MessageStyle::Error);
  EXPECT_EQ(form.messages[0].title, "Error#9");
  EXPECT_EQ(state.lineIndex, 9001);
  EXPECT_EQ(form.barValue, 17);

  answer("OK");
  EXPECT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(state.lineIndex, 9002);
  EXPECT_EQ(takeWritten(), "");
}

TEST_F(Handlers, EachInfoTickHandsTheTenBytesToThePortOpenOrNot) {
  control.infoTick();
  EXPECT_EQ(platform.calls, (Log{"write 10"}));
  connect();
  control.infoTick();
  EXPECT_EQ(takeWritten(), "BOOTinfo\r\n");
}

}  // namespace
}  // namespace tarnwick::testing
