// What the end-to-end harness and its tests share: the clock they wait by, how long they wait
// for what, and how they list names in failure messages.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// Generous: two cores, software GL, and the first .exe start in a fresh prefix is slow.
constexpr Millis kStartTimeout{60000};
// For a box to show, or to go once answered.
constexpr Millis kBoxTimeout{15000};
// For a shown box or window to paint what it says.
constexpr Millis kPaintTimeout{5000};
// For the program to end once told to.
constexpr Millis kExitTimeout{20000};
// For a change to show: frames come every 20 ms, far later on a loaded machine.
constexpr Millis kShowTimeout{15000};
// Long enough for a leaked key to have raised a second question.
constexpr Millis kQuietPeriod{700};
// Long enough for a key held elsewhere to have changed a frame, were it going to.
constexpr Millis kHeldPeriod{400};

inline void sleepFor(Millis d) {
  std::this_thread::sleep_for(d);
}

// Asks `done` every `step` until it holds or `timeout` passes; whether it held.
template <class Done>
bool pollUntil(Millis timeout, Done done, Millis step = Millis(25)) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    sleepFor(step);
  }
}

// "a", "b" for failure messages.
inline std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "\"" : ", \"") + i + "\"";
  return s.empty() ? "none" : s;
}

}  // namespace e2e
