// The message timers' table and the monotonic clock it runs on. The queue (queue.cpp) keeps
// the thread's table; its rules are kept apart here so they are plain to test.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32.h"

namespace platform {

// Milliseconds on a monotonic clock.
std::uint64_t nowMs();

// A timer fires on a fixed rhythm (start + n * period); a tick that is missed is skipped,
// never queued, so at most one tick per timer is ever pending.
class TimerTable {
 public:
  struct Tick {
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
  };
  // Adds or restarts the timer (window, id); its first tick is due one period from now.
  void set(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC callback, std::uint64_t now);
  bool kill(HWND window, UINT_PTR id);
  void killAll(HWND window);
  bool has(HWND window, UINT_PTR id) const;
  // Takes the earliest due tick, if any is due at now, and moves that timer to its next beat.
  bool takeDue(std::uint64_t now, Tick* tick);
  // When the next tick falls due; false when there are no timers.
  bool nextDue(std::uint64_t* due) const;
  bool empty() const { return timers_.empty(); }

 private:
  struct Timer {
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
    std::uint64_t period;
    std::uint64_t due;
  };
  std::vector<Timer> timers_;
};

}  // namespace platform
