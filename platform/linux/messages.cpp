// SDL's events become Windows messages in the queue, paints and timer ticks come when nothing
// else waits, and GetMessageA sleeps until there is something to do. Keys held across a message
// box are kept from the windows (held_keys.cpp).
#include "platform/linux/messages.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "platform/linux/desktop_scale.h"
#include "platform/linux/held_keys.h"
#include "platform/linux/keys.h"
#include "platform/linux/queue.h"
#include "platform/linux/window.h"

namespace {

using platform::postMessage;

const WPARAM sizeMaximized = 2;
// A point of a mouse message: the screen's pixels, as Windows gives a program aware of the scale.
LPARAM mousePoint(int x, int y) {
  return MAKELPARAM(x, y);
}

// Mouse-key flags of a mouse message's wParam.
const WPARAM mkLButton = 0x0001, mkRButton = 0x0002, mkShift = 0x0004, mkControl = 0x0008,
             mkMButton = 0x0010;

// The flags of a key message's lParam: repeat count 1, Alt context, previous state, release.
LPARAM keyLParam(bool down, bool repeat, bool alt) {
  DWORD bits = 1;
  if (alt) bits |= 1u << 29;
  if (!down || repeat) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  return static_cast<LPARAM>(bits);
}

WPARAM mouseKeys(Uint32 buttons) {
  WPARAM keys = 0;
  if (buttons & SDL_BUTTON_LMASK) keys |= mkLButton;
  if (buttons & SDL_BUTTON_RMASK) keys |= mkRButton;
  if (buttons & SDL_BUTTON_MMASK) keys |= mkMButton;
  const SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) keys |= mkShift;
  if (mod & KMOD_CTRL) keys |= mkControl;
  return keys;
}

void postSize(HWND window, WPARAM kind, int width, int height) {
  platform::reportSize(window, kind, width, height, platform::Delivery::post);
}

void acceptWindowEvent(HWND window, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      window->clientWidth = event.data1;
      window->clientHeight = event.data2;
      if (!window->minimized && (window->clientWidth != window->reportedWidth ||
                                 window->clientHeight != window->reportedHeight))
        postSize(window, SIZE_RESTORED, window->clientWidth, window->clientHeight);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      if (!window->minimized) {
        window->minimized = true;
        postSize(window, SIZE_MINIMIZED, 0, 0);
      }
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      window->minimized = false;
      postSize(window, sizeMaximized, window->clientWidth, window->clientHeight);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      if (window->minimized) {
        window->minimized = false;
        postSize(window, SIZE_RESTORED, window->clientWidth, window->clientHeight);
      }
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      if (window->visible) window->needsPaint = true;
      break;
    case SDL_WINDOWEVENT_CLOSE: postMessage(window, WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: postMessage(window, WM_SETFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: postMessage(window, WM_KILLFOCUS, 0, 0); break;
  }
}

bool focusLossQueued(Uint32 windowId) {
  SDL_Event events[64];
  const int count = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < count; ++i)
    if (events[i].window.windowID == windowId &&
        events[i].window.event == SDL_WINDOWEVENT_FOCUS_LOST)
      return true;
  return false;
}

void acceptKey(const SDL_KeyboardEvent& event) {
  // A key held down since a message box closed neither repeats nor releases into the clock.
  if (platform::keyHeldOverBox()) return;
  // SDL addresses a key to the window with the keyboard focus, and to none without it.
  HWND window = platform::windowFromSdlId(event.windowID);
  const UINT key = platform::virtualKeyOf(event.keysym.scancode, event.keysym.sym);
  if (!window || key == 0) return;
  const bool down = event.type == SDL_KEYDOWN;
  // As on Windows a release goes to the window that has the focus when the key comes up. SDL
  // releases every held key as the focus leaves, just before it says so; while we read them the
  // focus-loss event waits behind them: they were never let go at this window.
  if (!down && focusLossQueued(event.windowID)) return;
  const bool alt = (event.keysym.mod & KMOD_ALT) != 0 || key == VK_MENU;
  const UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  postMessage(window, message, key, keyLParam(down, event.repeat != 0, alt));
}

void acceptButton(const SDL_MouseButtonEvent& event) {
  HWND window = platform::windowFromSdlId(event.windowID);
  if (!window) return;
  const bool down = event.type == SDL_MOUSEBUTTONDOWN;
  Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  if (down)
    buttons |= SDL_BUTTON(event.button);
  else
    buttons &= ~SDL_BUTTON(event.button);
  const LPARAM at = mousePoint(event.x, event.y);
  if (event.button == SDL_BUTTON_LEFT)
    postMessage(window, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, mouseKeys(buttons), at);
  else if (event.button == SDL_BUTTON_RIGHT)
    postMessage(window, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, mouseKeys(buttons), at);
}

void acceptWheel(const SDL_MouseWheelEvent& event) {
  HWND window = platform::windowFromSdlId(event.windowID);
  if (!window) return;
  int notches = event.y;
  if (event.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
  // The wheel message carries screen coordinates.
  int left = 0, top = 0;
  if (window->sdl) SDL_GetWindowPosition(window->sdl, &left, &top);
  const LPARAM at = mousePoint(left + event.mouseX, top + event.mouseY);
  const WPARAM keys = mouseKeys(SDL_GetMouseState(nullptr, nullptr));
  // One message per notch, as a Windows wheel sends them.
  const SHORT delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  for (int i = 0; i < std::abs(notches); ++i)
    postMessage(window, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), at);
}

void acceptEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: acceptKey(event.key); break;
    case SDL_SYSWMEVENT:
      if (event.syswm.msg) platform::takeRawKey(*event.syswm.msg);
      break;
    case SDL_MOUSEMOTION:
      if (HWND window = platform::windowFromSdlId(event.motion.windowID))
        postMessage(window, WM_MOUSEMOVE, mouseKeys(event.motion.state),
                    mousePoint(event.motion.x, event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: acceptButton(event.button); break;
    case SDL_MOUSEWHEEL: acceptWheel(event.wheel); break;
    case SDL_WINDOWEVENT:
      if (HWND window = platform::windowFromSdlId(event.window.windowID))
        acceptWindowEvent(window, event.window);
      break;
      // SDL_QUIT is not a Windows notion: closing arrives per window, as WM_CLOSE.
  }
}

void pumpEvents() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  platform::forgetKeysReleasedUnseen();
  if (platform::desktopScaleChanged()) platform::tellWindowsTheScale();
  SDL_Event event;
  while (SDL_PollEvent(&event)) acceptEvent(event);
}

HWND windowToPaint() {
  for (HWND window : platform::allWindows())
    if (platform::isLiveWindow(window) && window->visible && window->needsPaint &&
        !window->minimized)
      return window;
  return nullptr;
}

// Sleeps until an event arrives or timeoutMs (-1: no limit) passes.
void waitForEvent(int timeoutMs) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs)) acceptEvent(event);
    return;
  }
  // Without SDL nothing but a tick can come; sleep in short slices.
  const int slice = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
  std::this_thread::sleep_for(std::chrono::milliseconds(slice));
}

}  // namespace

namespace platform {

Fetched fetchMessage(MSG* message, bool modal, int maxWaitMs) {
  bool waited = false;
  for (;;) {
    pumpEvents();
    if (!modal && quitIsPending()) {
      *message = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(takeQuit()), 0);
      return Fetched::quit;
    }
    if (takeQueuedMessage(message)) return Fetched::message;
    if (HWND window = windowToPaint()) {
      // Cleared here too, so a procedure that never validates cannot make us spin.
      window->needsPaint = false;
      *message = makeMessage(window, WM_PAINT, 0, 0);
      return Fetched::message;
    }
    const std::uint64_t now = nowMs();
    TimerTable::Tick tick;
    if (threadTimers().takeDue(now, &tick)) {
      *message =
          makeMessage(tick.window, WM_TIMER, tick.id, reinterpret_cast<LPARAM>(tick.callback));
      return Fetched::message;
    }
    if (waited && maxWaitMs >= 0) return Fetched::idle;
    int timeout = -1;
    std::uint64_t due = 0;
    if (threadTimers().nextDue(&due))
      timeout = static_cast<int>(std::min<std::uint64_t>(due - now, INT_MAX));
    if (maxWaitMs >= 0 && (timeout < 0 || timeout > maxWaitMs)) timeout = maxWaitMs;
    waitForEvent(timeout);
    waited = true;
  }
}

void discardInput() {
  pumpEvents();
  dropQueuedInput();
}

}  // namespace platform

BOOL GetMessageA(LPMSG message, HWND, UINT, UINT) {
  // The clock asks for every message, so the window and range filters are not applied.
  if (!message) return -1;
  return platform::fetchMessage(message, false, -1) == platform::Fetched::quit ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
  // Nothing here reads WM_CHAR, so key messages are left as they are.
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* message) {
  if (!message) return 0;
  if (message->message == WM_TIMER && message->lParam) {
    const TIMERPROC callback = reinterpret_cast<TIMERPROC>(message->lParam);
    callback(message->hwnd, WM_TIMER, message->wParam, message->time);
    return 0;
  }
  if (!message->hwnd) return 0;
  return platform::callProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}
