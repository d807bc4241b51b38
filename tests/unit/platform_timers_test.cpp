// The message timers: rhythm, coalescing, and the quit message, first on the timer table
// with a made-up clock, then through GetMessageA on the real one.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/linux/timers.h"
#include "tests/unit/platform_support.h"

namespace {

HWND const windowA = reinterpret_cast<HWND>(0x10);
HWND const windowB = reinterpret_cast<HWND>(0x20);

TEST(PlatformTimerTable, FirstTickIsDueOnePeriodAfterSetting) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 20, nullptr, 1000);
  platform::TimerTable::Tick tick;
  EXPECT_FALSE(timers.takeDue(1019, &tick));
  ASSERT_TRUE(timers.takeDue(1020, &tick));
  EXPECT_EQ(tick.window, windowA);
  EXPECT_EQ(tick.id, 1u);
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

TEST(PlatformTimerTable, RaisesVeryShortPeriodsToTheWindowsMinimum) {
  platform::TimerTable timers;
  timers.set(windowA, 1, 1, nullptr, 0);
  platform::TimerTable::Tick tick;
  EXPECT_FALSE(timers.takeDue(9, &tick));
  EXPECT_TRUE(timers.takeDue(10, &tick));
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The next message, which must be a tick of the timer.
void expectTick(UINT_PTR id) {
  const MSG message = platformtest::nextMessage();
  ASSERT_EQ(message.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(message.wParam, id);
}

// Through GetMessageA on the real clock only what load cannot upset is checked: a tick never
// comes early. Rhythm and coalescing are the table's, checked above on a made-up clock.
TEST(PlatformTimer, TicksNeverComeEarlyWhileEachFrameTakesTime) {
  const Clock::time_point start = Clock::now();
  const UINT_PTR id = SetTimer(nullptr, 0, 20, nullptr);
  ASSERT_NE(id, 0u);
  for (int tick = 1; tick <= 10; ++tick) {
    expectTick(id);
    EXPECT_GE(msSince(start), 20.0 * tick - 1.0) << "tick " << tick << " came early";
    std::this_thread::sleep_for(std::chrono::milliseconds(8));  // a frame's work
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
