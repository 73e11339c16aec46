// The flasher against boards behind USB serial bridges, as the simulator
// plays them (paced at 115200 baud, so that a command reaches the board when
// the line would bring it): a whole run verifies, byte for byte, with either
// answer end, and an adapter that holds answers back is named once, with
// the delay it adds in the report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "flash_program.h"

namespace tarnwick::testing {
namespace {

constexpr char kNotice[] = "holds them back";

class AdapterRun : public FlashRun {
 protected:
  // A paced board behind `adapter`, with no flash-write time.
  std::vector<std::string> pacedBoard(std::vector<std::string> adapter) {
    adapter.insert(adapter.begin(), {"--write-delay", "0", "--flash-out", files.file("flash.bin")});
    return adapter;
  }
  static nlohmann::json report(const FlashResult& run) {
    return nlohmann::json::parse(run.out, nullptr, false);
  }
};

TEST_F(AdapterRun, BoardsBehindUsbBridgesVerifyWithEitherAnswerEnd) {
  struct Case {
    std::vector<std::string> adapter;
    std::string answerEnd;
  };
  const std::string hexFile = firmwareFile("arm_blink.hex");
  for (const Case& c : std::vector<Case>{{{"--adapter", "none"}, "line"},
                                         {{"--adapter", "ftdi"}, "line"},
                                         {{"--adapter", "ftdi"}, "quiet"},
                                         {{"--adapter", "cdc-acm"}, "quiet"}}) {
    SCOPED_TRACE(c.adapter[1] + " with --answer-end " + c.answerEnd);
    BoardSim sim(pacedBoard(c.adapter));
    const FlashResult run =
        flash({"--json", "--quiet", "--answer-end", c.answerEnd, sim.portPath(), hexFile});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    expectFlashHolds(sim, hexFile, 180);
    // A bare line or 1 ms frames hold nothing back worth a word.
    if (c.adapter[1] != "ftdi") {
      EXPECT_EQ(run.err.find(kNotice), std::string::npos) << run.err;
      EXPECT_LT(report(run).value("answer_delay_ms", 99.0), 8.0) << run.out;
    }
  }
}

TEST_F(AdapterRun, AnAdapterThatHoldsAnswersBackIsNamedOnceWithTheDelayInTheReport) {
  // A long timer: whatever the phase of its ticks, each answer waits well over 8 ms.
  BoardSim sim(pacedBoard({"--adapter", "ftdi", "--latency", "40"}));
  const FlashResult run = flash({"--json", sim.portPath(), smallImage});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto notice = run.err.find(kNotice);
  ASSERT_NE(notice, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(kNotice, notice + 1), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("latency_timer"), std::string::npos) << run.err;  // how to shorten it
  // A pseudo-terminal has no timer in sysfs: no command names one.
  EXPECT_EQ(run.err.find("echo 1 >"), std::string::npos) << run.err;
  EXPECT_GE(report(run).value("answer_delay_ms", 0.0), 8.0) << run.out;
}

}  // namespace
}  // namespace tarnwick::testing
