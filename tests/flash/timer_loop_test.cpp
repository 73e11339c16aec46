// The timer loop against Qt's rules for the window's timers, on a fake clock.
#include "flash/session/timer_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_clock.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;

struct LoopFixture : ::testing::Test {
  FakeClock clock;
  TimerLoop loop{clock};
  // Runs until the fake clock reaches `endMs`.
  void runUntil(long long endMs) {
    loop.run([&] { return clock.elapsedMs() >= endMs; });
  }
  TimerLoop::TimerId recording(std::chrono::milliseconds interval, std::vector<long long>& ticks,
                               std::chrono::milliseconds handlerTakes = 0ms) {
    return loop.add(interval, [&ticks, this, handlerTakes] {
      ticks.push_back(clock.elapsedMs());
      clock.advance(handlerTakes);
    });
  }
};

TEST_F(LoopFixture, EachTimerTicksAtItsOwnInterval) {
  std::vector<long long> comm, attempts, info;
  loop.setEnabled(recording(20ms, comm), true);
  loop.setEnabled(recording(100ms, attempts), true);
  loop.setEnabled(recording(500ms, info), true);
  runUntil(1010);
  EXPECT_EQ(comm.size(), 51u);  // 20, 40, ... 1020
  EXPECT_EQ(comm.front(), 20);
  EXPECT_EQ(attempts, (std::vector<long long>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
  EXPECT_EQ(info, (std::vector<long long>{500, 1000}));
}

TEST_F(LoopFixture, TicksMissedDuringASlowHandlerAreDroppedNotQueued) {
  // A quiet read holds the receive tick for 256 ms against its 20 ms interval:
  // one tick follows at once, never the dozen that fell due meanwhile.
  std::vector<long long> comm, info;
  loop.setEnabled(recording(20ms, comm, 256ms), true);
  loop.setEnabled(recording(500ms, info), true);
  runUntil(1400);
  EXPECT_EQ(comm, (std::vector<long long>{20, 276, 532, 788, 1044, 1300}));
  // The other timer waits for the tick under way, yet keeps its own rhythm:
  // due at 500 and 1000, not 500 after its late tick.
  EXPECT_EQ(info, (std::vector<long long>{788, 1300}));
}

TEST_F(LoopFixture, ADisabledTimerNeverFiresAgainNotEvenLaterInTheSamePass) {
  std::vector<long long> stopped, restarted;
  TimerLoop::TimerId victim = 0, other = 0, stopper = 0;
  // Added first, so that it runs first among the timers due at 100.
  stopper = loop.add(100ms, [&] {
    loop.setEnabled(victim, false);
    loop.setEnabled(other, false);
    loop.setEnabled(other, true);  // stopped and started: due anew, one interval from now
    loop.setEnabled(stopper, false);
  });
  victim = recording(100ms, stopped);
  other = recording(100ms, restarted);
  for (const auto id : {stopper, victim, other}) loop.setEnabled(id, true);
  runUntil(250);
  EXPECT_TRUE(stopped.empty());
  EXPECT_EQ(restarted, (std::vector<long long>{200, 300}));
}

TEST_F(LoopFixture, EnablingARunningTimerKeepsItsRhythm) {
  std::vector<long long> ticks;
  const auto timer = recording(100ms, ticks);
  loop.setEnabled(timer, true);
  const auto nudge = loop.add(30ms, [&] { loop.setEnabled(timer, true); });
  loop.setEnabled(nudge, true);
  runUntil(200);
  EXPECT_EQ(ticks, (std::vector<long long>{100, 200}));
}

TEST_F(LoopFixture, RunEndsWhenFinishedAfterAHandlerOrWhenNoTimerRuns) {
  int first = 0, second = 0;
  const auto a = loop.add(100ms, [&] { ++first; });
  const auto b = loop.add(100ms, [&] { ++second; });
  loop.setEnabled(a, true);
  loop.setEnabled(b, true);
  // Finished after the first handler: the second, due in the same pass, waits.
  loop.run([&] { return first == 1; });
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);

  loop.setEnabled(a, false);
  loop.setEnabled(b, false);
  loop.run([] { return false; });  // returns: nothing can happen any more
  EXPECT_EQ(clock.elapsedMs(), 100);
}

}  // namespace
}  // namespace tarnwick::flash
