// A whole download and verify run: every byte on the line, in order.
#include <string>
#include <vector>

#include "handler_fixture.h"

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using Log = std::vector<std::string>;

TEST_F(Handlers, AWholeRunSendsEveryLineTwiceAndEndsInGreen) {
  connect();
  answer("VER=1.07\r\n");  // the answer to the first info request: nothing is armed yet
  load(crlfFile({":020000040000FA", ":0400000001:02:0304", ":00000001FF"}));
  EXPECT_EQ(form.barText, "READY");
  EXPECT_EQ(form.barMax, 3);
  control.infoTick();
  control.infoTick();
  EXPECT_EQ(platform.writes, (Log{"BOOTinfo\r\n", "BOOTinfo\r\n"}));
  takeWritten();

  answer("VER=1.07\r\n");
  EXPECT_FALSE(form.running(FormTimer::Timer2));
  EXPECT_EQ(form.barText, "DOWNLOAD");
  answer("OK\r\n");
  answer("OK\r\n");
  EXPECT_EQ(form.barValue, 3);
  EXPECT_EQ(state.lineIndex, 0);
  answer("DOWNLOAD\r\n");
  EXPECT_EQ(form.barText, "VERIFY");
  answer("OK\r\n");
  answer("OK\r\n");
  EXPECT_EQ(form.barText, "VERIFY");
  answer("DOWNLOAD\r\n");

  EXPECT_EQ(platform.writes,
            (Log{"BOOT:020000040000FA\r\n", "BOOT:0400000001:02:0304\r\n", "BOOT:00000001FF\r\n",
                 "BOOT#020000040000FA\r\n", "BOOT#0400000001#02#0304\r\n", "BOOT#00000001FF\r\n"}));
  EXPECT_EQ(form.barText, "END");
  EXPECT_EQ(form.barColor, 0xFF00u);
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(state.imageLoaded, 0);
  EXPECT_EQ(state.downloadRequested, 1);
  takeWritten();

  // The board's word decides: an OK after the end starts the download again.
  answer("OK\r\n");
  EXPECT_EQ(takeWritten(), "BOOT:020000040000FA\r\n");
}

TEST_F(Handlers, APassAnsweredWithOkInsteadOfDownloadStartsAgainFromLineOne) {
  connect();
  load(crlfFile({"a", "b"}));
  answer("VER=1");
  answer("OK");
  answer("OK");
  answer("OK");
  EXPECT_EQ(takeWritten(), "BOOTa\r\nBOOTb\r\nBOOTa\r\nBOOTb\r\n");
}

TEST_F(Handlers, AVerDuringAPassSendsTheNextLineOutOfTurn) {
  connect();
  load(crlfFile({"a", "b", "c"}));
  answer("VER=1");
  answer("VER=1");
  answer("OK");
  EXPECT_EQ(takeWritten(), "BOOTa\r\nBOOTb\r\nBOOTc\r\n");
}

}  // namespace
}  // namespace tarnwick::testing
