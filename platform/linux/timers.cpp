// The message timers' table: a fixed rhythm per timer, missed ticks dropped.
#include "platform/linux/timers.h"

#include <algorithm>
#include <chrono>

namespace {
const UINT userTimerMinimumMs = 10;  // Windows raises shorter periods to this
}  // namespace

namespace platform {

std::uint64_t nowMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TimerTable::set(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC callback,
                     std::uint64_t now) {
  const std::uint64_t period = std::max(periodMs, userTimerMinimumMs);
  for (Timer& timer : timers_) {
    if (timer.window == window && timer.id == id) {
      timer.period = period;
      timer.due = now + period;
      timer.callback = callback;
      return;
    }
  }
  timers_.push_back(Timer{window, id, callback, period, now + period});
}

bool TimerTable::kill(HWND window, UINT_PTR id) {
  const auto found = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
    return timer.window == window && timer.id == id;
  });
  if (found == timers_.end()) return false;
  timers_.erase(found);
  return true;
}

void TimerTable::killAll(HWND window) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& timer) { return timer.window == window; }),
                timers_.end());
}

bool TimerTable::has(HWND window, UINT_PTR id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& timer) { return timer.window == window && timer.id == id; });
}

bool TimerTable::takeDue(std::uint64_t now, Tick* tick) {
  Timer* earliest = nullptr;
  for (Timer& timer : timers_)
    if (timer.due <= now && (!earliest || timer.due < earliest->due)) earliest = &timer;
  if (!earliest) return false;
  *tick = Tick{earliest->window, earliest->id, earliest->callback};
  // The next beat of the rhythm after now; beats missed meanwhile are dropped.
  earliest->due += earliest->period * ((now - earliest->due) / earliest->period + 1);
  return true;
}

bool TimerTable::nextDue(std::uint64_t* due) const {
  if (timers_.empty()) return false;
  std::uint64_t earliest = timers_.front().due;
  for (const Timer& timer : timers_) earliest = std::min(earliest, timer.due);
  *due = earliest;
  return true;
}

}  // namespace platform
