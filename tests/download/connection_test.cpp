// Open Port, the attempt tick, Close Port and unload.
#include <string>
#include <vector>

#include "handler_fixture.h"

namespace tarnwick::testing {
namespace {

using download::FormTimer;
using download::MessageStyle;
using Log = std::vector<std::string>;

TEST_F(Handlers, OpenPortClearsTheFlagsAndStartsTheAttempts) {
  state.downloadRequested = 1;
  state.imageLoaded = 1;
  control.openPortClick();
  EXPECT_EQ(form.log, (Log{"Label2 WAIT Connect: ", "Timer3 on"}));
  EXPECT_EQ(state.downloadRequested, 0);
  EXPECT_EQ(state.imageLoaded, 0);
  EXPECT_EQ(state.connectAttempts, 1);
}

TEST_F(Handlers, WithoutABoardGivesUpAfter198AttemptsWithTheTimerStoppedFirst) {
  platform.deviceExists = false;
  control.openPortClick();
  bool timerOffDuringBox = false;
  std::string captionDuringBox;
  form.duringMessage = [&] {
    timerOffDuringBox = !form.running(FormTimer::Timer3);
    captionDuringBox = form.label2;
  };
  int ticks = 0;
  while (form.running(FormTimer::Timer3) && ticks < 1000) {
    control.attemptTick();
    ++ticks;
  }

  EXPECT_EQ(ticks, 199);
  EXPECT_EQ(platform.count("open"), 198);
  for (const auto& name : platform.openedNames) ASSERT_EQ(name, "COM5:");
  EXPECT_EQ(form.log[2], "Label2 WAIT Connect:  2");
  const Log tail(form.log.end() - 5, form.log.end());
  EXPECT_EQ(tail, (Log{"Label2 WAIT Connect:  199", "Label2 WAIT Connect:  200", "Timer3 off",
                       "message", "Label2 Not present board"}));
  EXPECT_TRUE(timerOffDuringBox);
  EXPECT_EQ(captionDuringBox, "WAIT Connect:  200");
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].text,
            U"COM5: Not available! Use Serial settings to setup your ports.");
  EXPECT_EQ(form.messages[0].style, MessageStyle::Plain);
  EXPECT_EQ(form.messages[0].title, "");
  EXPECT_EQ(form.switchTagsCalls, 0);
  EXPECT_EQ(state.connectAttempts, 200);
}

TEST_F(Handlers, AGiveUpMessageNamesWhateverWasTyped) {
  platform.deviceExists = false;
  form.portName = U"";
  control.openPortClick();
  state.connectAttempts = 199;
  control.attemptTick();
  ASSERT_EQ(form.messages.size(), 1u);
  EXPECT_EQ(form.messages[0].text, U" Not available! Use Serial settings to setup your ports.");
  EXPECT_EQ(platform.count("open"), 0);
}

TEST_F(Handlers, ASuccessfulAttemptRunsItsStepsInOrderAndSendsInfoAfterThePause) {
  control.openPortClick();
  bool silentDuringPause = false;
  form.duringSleep = [&] { silentDuringPause = platform.writes.empty(); };
  control.attemptTick();

  EXPECT_EQ(form.logFrom(2),
            (Log{"Label2 WAIT Connect:  2", "Label2 Ready", "Timer3 off", "bar Value 0",
                 "bar Color 0x800000", "SwitchTags", "TMRComm on", "sleep 100"}));
  EXPECT_TRUE(silentDuringPause);
  EXPECT_EQ(platform.writes, (Log{"BOOTinfo\r\n"}));
  EXPECT_EQ(platform.openedNames, (Log{"COM5:"}));
  EXPECT_EQ(platform.count("build 115200,n,8,1"), 1);
  EXPECT_TRUE(form.connectedControls());
}

TEST_F(Handlers, TicksDuringAnAttemptsOwnMessageAreDroppedAndNotCounted) {
  platform.failTimeouts = true;
  platform.errorNumber = 31;
  control.openPortClick();
  duringPortMessage = [&] {
    control.attemptTick();
    control.attemptTick();
  };
  control.attemptTick();

  EXPECT_EQ(portMessages, (Log{"Unable to set timeouts for port COM5: Error: 31"}));
  EXPECT_EQ(state.connectAttempts, 2);
  EXPECT_EQ(platform.count("open"), 1);
  EXPECT_EQ(platform.openDevices, 0);
  EXPECT_TRUE(form.running(FormTimer::Timer3));

  platform.failTimeouts = false;
  duringPortMessage = nullptr;
  control.attemptTick();
  EXPECT_EQ(form.label2, "Ready");
  EXPECT_EQ(state.connectAttempts, 3);
}

TEST_F(Handlers, ASecondOpenPortClickStartsTheCountAgain) {
  platform.deviceExists = false;
  control.openPortClick();
  for (int i = 0; i < 5; ++i) control.attemptTick();
  EXPECT_EQ(form.label2, "WAIT Connect:  6");
  control.openPortClick();
  EXPECT_EQ(state.connectAttempts, 1);
  EXPECT_EQ(form.label2, "WAIT Connect: ");
  control.attemptTick();
  EXPECT_EQ(form.label2, "WAIT Connect:  2");
  EXPECT_TRUE(form.running(FormTimer::Timer3));
}

TEST_F(Handlers, ClosePortStopsAnswersAndKeepsTheLoadAndThePolling) {
  connect();
  load(crlfFile({":00000001FF", ":00000001FF"}));
  answer("VER=2\r\n");
  state.verifyPass = 1;
  form.setTimerEnabled(FormTimer::Timer2, true);
  const std::size_t mark = form.log.size();

  control.closePortClick();
  EXPECT_EQ(form.logFrom(mark),
            (Log{"TMRComm off", "bar Text NO FILE", "Label2 Closed", "Text8 ", "SwitchTags"}));
  EXPECT_EQ(platform.openDevices, 0);
  EXPECT_EQ(state.verifyPass, 0);
  EXPECT_EQ(state.imageLoaded, 0);
  EXPECT_EQ(state.downloadRequested, 1);
  EXPECT_EQ(state.lineTotal, 2);
  EXPECT_EQ(state.lineIndex, 1);
  EXPECT_TRUE(form.running(FormTimer::Timer2));
  EXPECT_FALSE(form.connectedControls());

  control.openPortClick();
  control.attemptTick();
  EXPECT_TRUE(form.connectedControls());
  EXPECT_EQ(platform.openDevices, 1);
}

TEST_F(Handlers, UnloadClosesThePortAndNothingElse) {
  control.unload();
  EXPECT_EQ(platform.calls, (Log{"close"}));
  EXPECT_TRUE(form.log.empty());

  connect();
  control.unload();
  EXPECT_EQ(platform.openDevices, 0);
  EXPECT_EQ(form.log.back(), "sleep 100");
}

TEST_F(Handlers, OpenPortDropsAnImageLoadedBeforeIt) {
  load(crlfFile({":00000001FF"}));
  ASSERT_EQ(state.imageLoaded, 1);
  connect();
  answer("VER=1.0\r\n");
  EXPECT_FALSE(form.running(FormTimer::Timer2));
  EXPECT_EQ(takeWritten(), "");
}

}  // namespace
}  // namespace tarnwick::testing
