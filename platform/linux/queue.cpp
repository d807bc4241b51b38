// The thread's message queue: the messages waiting, the pending quit, and the timers with the
// table that keeps them.
#include "platform/linux/queue.h"

#include <algorithm>
#include <deque>

#include "platform/linux/window_record.h"

namespace {

struct Queue {
  std::deque<MSG> messages;
  bool quitPending = false;
  int quitCode = 0;
  platform::TimerTable timers;
};

Queue& queue() {
  static Queue instance;
  return instance;
}

template <typename Predicate>
void dropMessages(Predicate drop) {
  std::deque<MSG>& messages = queue().messages;
  messages.erase(std::remove_if(messages.begin(), messages.end(), drop), messages.end());
}

}  // namespace

namespace platform {

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG result = {};
  result.hwnd = window;
  result.message = message;
  result.wParam = wParam;
  result.lParam = lParam;
  result.time = static_cast<DWORD>(nowMs());
  return result;
}

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::deque<MSG>& messages = queue().messages;
  if (message == WM_MOUSEMOVE && !messages.empty() && messages.back().message == WM_MOUSEMOVE &&
      messages.back().hwnd == window) {
    messages.back() = makeMessage(window, message, wParam, lParam);
    return;
  }
  messages.push_back(makeMessage(window, message, wParam, lParam));
}

bool takeQueuedMessage(MSG* message) {
  std::deque<MSG>& messages = queue().messages;
  if (messages.empty()) return false;
  *message = messages.front();
  messages.pop_front();
  return true;
}

bool isInputMessage(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CLOSE: return true;
  }
  return message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL;
}

void dropQueuedInput() {
  dropMessages([](const MSG& message) { return isInputMessage(message.message); });
}

void forgetWindow(HWND window) {
  dropMessages([&](const MSG& message) { return message.hwnd == window; });
  queue().timers.killAll(window);
}

TimerTable& threadTimers() {
  return queue().timers;
}

bool quitIsPending() {
  return queue().quitPending;
}

int takeQuit() {
  queue().quitPending = false;
  return queue().quitCode;
}

}  // namespace platform

void PostQuitMessage(int exitCode) {
  queue().quitPending = true;
  queue().quitCode = exitCode;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
  static UINT_PTR nextThreadTimerId = 0x7FFF;  // where Windows numbers them from
  if (window && window->destroying) return 0;
  // A timer without a window gets an identifier of our choosing, as on Windows.
  if (!window) id = nextThreadTimerId++;
  platform::threadTimers().set(window, id, milliseconds, callback, platform::nowMs());
  return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  return platform::threadTimers().kill(window, id) ? TRUE : FALSE;
}
