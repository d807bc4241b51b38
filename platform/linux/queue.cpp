// The thread's message queue: the messages waiting, the pending quit and the timer table.
#include "platform/linux/queue.h"

#include <algorithm>
#include <deque>

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
