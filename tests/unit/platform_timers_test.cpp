// The message timers: rhythm, coalescing, and the quit message, first on the timer table
// with a made-up clock, then through GetMessageA on the real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/linux/queue.h"
#include "platform/linux/timers.h"
#include "tests/unit/platform_support.h"

namespace {

HWND const windowA = reinterpret_cast<HWND>(0x10);
HWND const windowB = reinterpret_cast<HWND>(0x20);

TEST(PlatformTimerTable, FirstTickIsDueOnePeriodAfterSettingTenMillisecondsAtLeast) {
  for (const UINT period : {20u, 1u}) {  // Windows raises shorter periods to 10 ms
    platform::TimerTable timers;
    timers.set(windowA, 1, period, nullptr, 1000);
    const std::uint64_t due = 1000 + std::max(period, 10u);
    platform::TimerTable::Tick tick;
    EXPECT_FALSE(timers.takeDue(due - 1, &tick)) << period;
    ASSERT_TRUE(timers.takeDue(due, &tick)) << period;
    EXPECT_EQ(tick.window, windowA);
    EXPECT_EQ(tick.id, 1u);
  }
}

TEST(PlatformTimerTable, KeepsItsRhythmWhenATickIsTakenLate) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 20, nullptr, 0);
  platform::TimerTable::Tick tick;
  ASSERT_TRUE(timers.takeDue(25, &tick));  // 5 ms late
  std::uint64_t due = 0;
  ASSERT_TRUE(timers.nextDue(&due));
  EXPECT_EQ(due, 40u);  // the rhythm's next beat, not 25 + 20
}

TEST(PlatformTimerTable, SkipsMissedBeatsInsteadOfQueueingThem) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 20, nullptr, 0);
  platform::TimerTable::Tick tick;
  ASSERT_TRUE(timers.takeDue(105, &tick));  // beats at 20, 40, 60, 80, 100 were all missed
  EXPECT_FALSE(timers.takeDue(105, &tick));
  EXPECT_FALSE(timers.takeDue(119, &tick));
  EXPECT_TRUE(timers.takeDue(120, &tick));
}

TEST(PlatformTimerTable, GivesTheEarliestDueTimerFirst) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 50, nullptr, 0);
  timers.set(windowB, 2, 30, nullptr, 0);
  platform::TimerTable::Tick tick;
  ASSERT_TRUE(timers.takeDue(60, &tick));
  EXPECT_EQ(tick.id, 2u);
  ASSERT_TRUE(timers.takeDue(60, &tick));
  EXPECT_EQ(tick.id, 1u);
  EXPECT_FALSE(timers.takeDue(60, &tick));
}

TEST(PlatformTimerTable, SettingAgainRestartsTheTimer) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 20, nullptr, 0);
  timers.set(windowA, 1, 100, nullptr, 10);
  platform::TimerTable::Tick tick;
  EXPECT_FALSE(timers.takeDue(100, &tick));
  EXPECT_TRUE(timers.takeDue(110, &tick));
}

TEST(PlatformTimerTable, KilledTimersStopAndUnknownOnesAreReported) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 20, nullptr, 0);
  timers.set(windowA, 2, 20, nullptr, 0);
  timers.set(windowB, 1, 20, nullptr, 0);
  EXPECT_TRUE(timers.kill(windowA, 1));
  EXPECT_FALSE(timers.kill(windowA, 1));
  EXPECT_FALSE(timers.kill(windowA, 3));
  timers.killAll(windowB);
  EXPECT_FALSE(timers.has(windowB, 1));
  platform::TimerTable::Tick tick;
  ASSERT_TRUE(timers.takeDue(1000, &tick));
  EXPECT_EQ(tick.window, windowA);
  EXPECT_EQ(tick.id, 2u);
  EXPECT_FALSE(timers.takeDue(1000, &tick));
}

// The next message, which must be a tick of the timer.
void expectTick(UINT_PTR id) {
  const MSG message = platformtest::nextMessage();
  ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(message.wParam, id);
}

// Through GetMessageA on the real clock only what load cannot upset is checked: the loop
// waits for a tick's beat and never hands it out before. The test reads no clock: the queue
// stamps a message posted just before the timer is set and each tick with its own clock.
// Rhythm and coalescing are the table's, checked above on a made-up clock.
TEST(PlatformTimer, GetMessageHandsOutNoTickBeforeItIsDue) {
  platform::postMessage(nullptr, WM_COMMAND, 0, 0);
  const UINT_PTR id = SetTimer(nullptr, 0, 20, nullptr);
  ASSERT_NE(id, 0u);
  const DWORD setAt = platformtest::nextMessage().time;  // no later than the timer was set
  for (DWORD beat = 1; beat <= 5; ++beat) {
    const MSG message = platformtest::nextMessage();
    ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
    EXPECT_GE(message.time - setAt, 20 * beat) << "tick " << beat << " came early";
  }
  EXPECT_TRUE(KillTimer(nullptr, id));
}

TEST(PlatformTimer, AStalledLoopGetsItsTickAndTheTimerGoesOn) {
  const UINT_PTR id = SetTimer(nullptr, 0, 20, nullptr);
  expectTick(id);
  std::this_thread::sleep_for(std::chrono::milliseconds(110));  // five beats missed
  expectTick(id);
  expectTick(id);
  EXPECT_TRUE(KillTimer(nullptr, id));
  EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST(PlatformTimer, TheQuitMessageEndsTheLoopWithItsCode) {
  const UINT_PTR id = SetTimer(nullptr, 0, 10, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // a tick is due
  PostQuitMessage(7);
  MSG message = {};
  EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
  expectTick(id);  // the quit was taken once; ticks go on
  KillTimer(nullptr, id);
}

}  // namespace
