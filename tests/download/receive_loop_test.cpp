// The receive tick: the blink, the answer box, and the dispatch of answers.
#include <ostream>
#include <string>
#include <vector>

#include "handler_fixture.h"

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using Log = std::vector<std::string>;

class ReceiveLoop : public Handlers {
 protected:
  // Connected, with a three-line image armed and its polling running.
  void SetUp() override {
    connect();
    load(crlfFile({":020000040000FA", ":10:00:00", ":00000001FF"}));
    ASSERT_TRUE(form.running(FormTimer::Timer2));
  }
};

TEST_F(ReceiveLoop, TheIndicatorBlinksOnEveryTickAndTurnsRedWhenDataCame) {
  form.picColor = 0xFFFF;
  control.receiveTick();
  EXPECT_EQ(form.picColor, 0xFFFFFFu);
  control.receiveTick();
  EXPECT_EQ(form.picColor, 0x808080u);
  control.receiveTick();
  EXPECT_EQ(form.picColor, 0xFFFFFFu);

  const std::size_t mark = form.log.size();
  platform.calls.clear();
  answer("hello\r\n");
  EXPECT_EQ(form.logFrom(mark), (Log{"Pic 0x808080", "Pic 0xff", "Text8 hello\r\n"}));
  EXPECT_EQ(platform.calls, (Log{"read", "flush"}));
  control.receiveTick();
  EXPECT_EQ(form.picColor, 0xFFFFFFu);
  EXPECT_EQ(form.text8Box, "hello\r\n");  // a quiet tick keeps the last answer
}

TEST_F(ReceiveLoop, OnlyTrailingBlanksAreCutAndBlanksAloneSetNothingOff) {
  answer("x\t ");
  EXPECT_EQ(form.text8Box, "x\t");
  answer("OK \r\n  ");
  EXPECT_EQ(form.text8Box, "OK \r\n");
  takeWritten();
  const std::int16_t lineIndex = state.lineIndex;
  platform.calls.clear();
  answer("     ");
  EXPECT_EQ(form.text8Box, "");
  EXPECT_EQ(form.picColor, 0xFFu);
  EXPECT_EQ(platform.calls, (Log{"read", "flush"}));
  EXPECT_EQ(takeWritten(), "");
  EXPECT_EQ(state.lineIndex, lineIndex);
}

struct Priority {
  const char* answer;
  const char* reaction;
};
void PrintTo(const Priority& priority, std::ostream* out) {
  *out << '"' << priority.answer << '"';
}

class DispatchPriority : public ReceiveLoop, public ::testing::WithParamInterface<Priority> {};

// What one answer set off, in the terms of the five branches.
TEST_P(DispatchPriority, TheFirstKeywordInTestOrderIsTheOnlyOneActedOn) {
  state.awaitingRunStart = false;  // as in a run under way, where "OK" sends
  answer(GetParam().answer);
  const std::string sent = takeWritten();
  std::string reaction = "nothing";
  if (!form.running(FormTimer::Timer2)) {
    reaction = "VER= " + sent;
  } else if (form.barText == "ERROR") {
    reaction = "ERROR " + sent;
  } else if (form.barText == "VERIFY") {
    reaction = "DOWNLOAD " + sent;
  } else if (form.barText.empty()) {
    reaction = "FORMAT " + sent;
  } else if (!sent.empty()) {
    reaction = "OK " + sent;
  }
  EXPECT_EQ(reaction, GetParam().reaction);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DispatchPriority,
    ::testing::Values(Priority{"OK ERROR DOWNLOAD FORMAT VER=3", "VER= BOOT:020000040000FA\r\n"},
                      Priority{"OK FORMAT DOWNLOAD ERROR", "ERROR "},
                      Priority{"OK DOWNLOAD", "DOWNLOAD BOOT#020000040000FA\r\n"},
                      Priority{"OK FORMAT", "FORMAT "},
                      Priority{"OK OK\r\n", "OK BOOT:020000040000FA\r\n"},
                      Priority{"BOOK", "OK BOOT:020000040000FA\r\n"}, Priority{"ok", "nothing"},
                      Priority{"ver=1 error download format Ok", "nothing"},
                      Priority{"VER 1", "nothing"}));

TEST_F(ReceiveLoop, OkTwiceInOneReadSendsOneLineAndInTwoReadsTwo) {
  state.awaitingRunStart = false;  // as in a run under way
  answer("OK\r\nOK\r\n");
  EXPECT_EQ(takeWritten(), "BOOT:020000040000FA\r\n");
  answer("OK\r\n");
  answer("OK\r\n");
  EXPECT_EQ(takeWritten(), "BOOT:10:00:00\r\nBOOT:00000001FF\r\n");
}

TEST_F(ReceiveLoop, AKeywordSplitAcrossTwoReadsIsNotSeen) {
  answer("VER=1");
  takeWritten();
  answer("DOWN");
  answer("LOAD\r\n");
  EXPECT_EQ(takeWritten(), "");
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(form.barText, "DOWNLOAD");
}

TEST_F(ReceiveLoop, FormatClearsTheBarOnly) {
  answer("VER=1");
  const auto before = state;
  form.barColor = 0x800000;
  takeWritten();
  answer("FORMAT done");
  EXPECT_EQ(form.barText, "");
  EXPECT_EQ(form.barValue, 0);
  EXPECT_EQ(form.barColor, 0x800000u);
  EXPECT_EQ(state.lineIndex, before.lineIndex);
  EXPECT_EQ(state.imageLoaded, 1);
  EXPECT_EQ(takeWritten(), "");
}

TEST_F(ReceiveLoop, ErrorStopsTheRunAndAnOkResumesWithTheNextLineInDownloadForm) {
  answer("VER=1");
  answer("DOWNLOAD");
  ASSERT_EQ(takeWritten(), "BOOT:020000040000FA\r\nBOOT#020000040000FA\r\n");
  answer("ERROR 7");
  EXPECT_EQ(form.barText, "ERROR");
  EXPECT_EQ(form.barColor, 0xFFu);
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(takeWritten(), "");
  answer("OK");
  EXPECT_EQ(takeWritten(), "BOOT:10:00:00\r\n");
  EXPECT_EQ(form.barText, "DOWNLOAD");
}

TEST_F(ReceiveLoop, AfterErrorVerSendsTheNextLineAndDownloadStartsTheVerifyPass) {
  answer("VER=1");
  answer("ERROR");
  takeWritten();
  answer("VER=1");
  EXPECT_EQ(takeWritten(), "BOOT:10:00:00\r\n");
  answer("DOWNLOAD");
  EXPECT_EQ(takeWritten(), "BOOT#020000040000FA\r\n");
  EXPECT_EQ(form.barText, "VERIFY");
  EXPECT_EQ(state.verifyPass, 1);
  EXPECT_EQ(state.lineIndex, 1);
}

// The file dialog runs while the old run goes on: its answers, in flight when
// the new image loads, must not drive the new image's lines.
TEST_F(ReceiveLoop, AFileLoadedDuringTheVerifyPassStartsWholeOnTheNextVer) {
  answer("VER=1");
  answer("DOWNLOAD");
  answer("OK");
  ASSERT_EQ(state.verifyPass, 1);
  form.duringDialog = [&] { answer("OK"); };
  load(crlfFile({":020000040800F2", ":0100000011EE", ":00000001FF"}));
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(state.lineIndex, 0);
  takeWritten();

  answer("OK");
  answer("DOWNLOAD");
  EXPECT_EQ(takeWritten(), "");  // the replaced run's answers send nothing
  EXPECT_EQ(state.verifyPass, 0);
  answer("ERROR");
  EXPECT_EQ(form.barText, "ERROR");  // an error still shows
  answer("VER=1");
  answer("OK");
  EXPECT_EQ(takeWritten(), "BOOT:020000040800F2\r\nBOOT:0100000011EE\r\n");
}

// A dialog opened and cancelled during the verify pass: the pass goes on in
// verify form, behind the dialog and after it, and ends on its own DOWNLOAD.
TEST_F(ReceiveLoop, ACancelDuringTheVerifyPassLeavesThePassAsItWas) {
  answer("VER=1");
  answer("OK");
  answer("OK");
  answer("DOWNLOAD");
  ASSERT_EQ(state.lineIndex, 1);
  takeWritten();
  form.duringDialog = [&] { answer("OK"); };
  control.openFileAndDownloadClick();  // no answer queued: a cancel
  EXPECT_EQ(state.verifyPass, 1);
  EXPECT_EQ(state.lineIndex, 2);
  answer("OK");
  EXPECT_EQ(takeWritten(), "BOOT#10#00#00\r\nBOOT#00000001FF\r\n");
  answer("DOWNLOAD");
  EXPECT_EQ(form.barText, "END");
}

TEST_F(ReceiveLoop, TextTypedIntoTheAnswerBoxSetsNothingOff) {
  form.text8Box = "OK";
  control.receiveTick();
  EXPECT_EQ(takeWritten(), "");
}

}  // namespace
}  // namespace tarnwick::testing
