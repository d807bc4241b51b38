// The message queue: SDL events become Windows messages, ticks of the message timers
// arrive when nothing else waits, and GetMessageA sleeps until there is something to do.
#include <SDL_syswm.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <deque>
#include <thread>

#include "platform/internal.h"

namespace {

const WPARAM sizeMaximized = 2;
const UINT userTimerMinimumMs = 10;  // Windows raises shorter periods to this
const UINT_PTR firstThreadTimerId = 0x7FFF;
// Mouse-key flags of a mouse message's wParam.
const WPARAM mkLButton = 0x0001, mkRButton = 0x0002, mkShift = 0x0004, mkControl = 0x0008,
             mkMButton = 0x0010;

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

Uint32 wakeEventType() {
  static const Uint32 type = SDL_RegisterEvents(1);
  return type;
}

MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG result = {};
  result.hwnd = window;
  result.message = message;
  result.wParam = wParam;
  result.lParam = lParam;
  result.time = static_cast<DWORD>(platform::nowMs());
  return result;
}

// Queues a message; a mouse move replaces one still waiting, as Windows keeps only the latest.
void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::deque<MSG>& messages = queue().messages;
  if (message == WM_MOUSEMOVE && !messages.empty() && messages.back().message == WM_MOUSEMOVE &&
      messages.back().hwnd == window) {
    messages.back() = makeMessage(window, message, wParam, lParam);
    return;
  }
  messages.push_back(makeMessage(window, message, wParam, lParam));
}

void postSize(HWND window, WPARAM kind, int width, int height) {
  window->reportedWidth = width;
  window->reportedHeight = height;
  post(window, WM_SIZE, kind, MAKELPARAM(width, height));
}

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

void acceptWindowEvent(HWND window, const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      window->clientWidth = event.data1;
      window->clientHeight = event.data2;
      if (!window->minimized &&
          (event.data1 != window->reportedWidth || event.data2 != window->reportedHeight))
        postSize(window, SIZE_RESTORED, event.data1, event.data2);
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
    case SDL_WINDOWEVENT_CLOSE: post(window, WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: post(window, WM_SETFOCUS, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: post(window, WM_KILLFOCUS, 0, 0); break;
  }
}

// X key codes held when a message box closed. While there are any, SDL hands us each raw X key
// event just before the key event it makes of it (if it makes one).
std::vector<unsigned> heldOverBox;
enum class RawKey { none, held, fresh };
RawKey lastRawKey = RawKey::none;

void acceptRawKey(const SDL_SysWMmsg& raw) {
  lastRawKey = RawKey::none;
  if (raw.subsystem != SDL_SYSWM_X11) return;
  const XEvent& event = raw.msg.x11.event;
  if (event.type != KeyPress && event.type != KeyRelease) return;
  const auto held = std::find(heldOverBox.begin(), heldOverBox.end(), event.xkey.keycode);
  // SDL drops some key events (a release of a key it thinks is up): pair only with what follows.
  SDL_Event next;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
      (next.type == SDL_KEYDOWN || next.type == SDL_KEYUP))
    lastRawKey = held != heldOverBox.end() ? RawKey::held : RawKey::fresh;
  if (held != heldOverBox.end() && event.type == KeyRelease) heldOverBox.erase(held);
  if (heldOverBox.empty()) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

// True for a key event that comes from a key held since a box closed, or that SDL made up
// (no X event before it) while such a key is down.
bool heldOverBoxKey() {
  const RawKey raw = lastRawKey;
  lastRawKey = RawKey::none;
  return raw == RawKey::held || (raw == RawKey::none && !heldOverBox.empty());
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
  if (heldOverBoxKey()) return;
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
  post(window, message, key, keyLParam(down, event.repeat != 0, alt));
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
  const LPARAM at = MAKELPARAM(event.x, event.y);
  if (event.button == SDL_BUTTON_LEFT)
    post(window, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, mouseKeys(buttons), at);
  else if (event.button == SDL_BUTTON_RIGHT)
    post(window, down ? WM_RBUTTONDOWN : WM_RBUTTONUP, mouseKeys(buttons), at);
}

void acceptWheel(const SDL_MouseWheelEvent& event) {
  HWND window = platform::windowFromSdlId(event.windowID);
  if (!window) return;
  int notches = event.y;
  if (event.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
  // The wheel message carries screen coordinates.
  int left = 0, top = 0;
  if (window->sdl) SDL_GetWindowPosition(window->sdl, &left, &top);
  const LPARAM at = MAKELPARAM(left + event.mouseX, top + event.mouseY);
  const WPARAM keys = mouseKeys(SDL_GetMouseState(nullptr, nullptr));
  // One message per notch, as a Windows wheel sends them.
  const SHORT delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
  for (int i = 0; i < std::abs(notches); ++i)
    post(window, WM_MOUSEWHEEL, MAKEWPARAM(keys, delta), at);
}

void acceptEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: acceptKey(event.key); break;
    case SDL_SYSWMEVENT:
      if (event.syswm.msg) acceptRawKey(*event.syswm.msg);
      break;
    case SDL_MOUSEMOTION:
      if (HWND window = platform::windowFromSdlId(event.motion.windowID))
        post(window, WM_MOUSEMOVE, mouseKeys(event.motion.state),
             MAKELPARAM(event.motion.x, event.motion.y));
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

// A key held over a box may come up while the box still has the keyboard, unseen by us: look.
void forgetKeysReleasedUnseen() {
  for (HWND window : platform::allWindows()) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!platform::isLiveWindow(window) || !window->sdl ||
        !SDL_GetWindowWMInfo(window->sdl, &info) || info.subsystem != SDL_SYSWM_X11)
      continue;
    char keys[32] = {};
    XQueryKeymap(info.info.x11.display, keys);
    // The state is the server's now; events it sent before (a busy clock may lag behind, with a
    // held key's repeats) are still to be read, and must be taken as held: decide later.
    if (XEventsQueued(info.info.x11.display, QueuedAlready) > 0) return;
    heldOverBox.erase(
        std::remove_if(heldOverBox.begin(), heldOverBox.end(),
                       [&](unsigned code) { return !((keys[code / 8] >> (code % 8)) & 1); }),
        heldOverBox.end());
    if (heldOverBox.empty()) SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    return;
  }
}

void pumpEvents() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  if (!heldOverBox.empty()) forgetKeysReleasedUnseen();
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
  // Without SDL nothing but a tick can come; sleep in slices so a stop flag is seen.
  const int slice = timeoutMs < 0 ? 10 : std::min(timeoutMs, 10);
  std::this_thread::sleep_for(std::chrono::milliseconds(slice));
}

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

UINT virtualKeyFromSdl(SDL_Keycode key) {
  // SDL key codes of letters and digits are the unshifted characters, whatever Shift or
  // Caps Lock say, which is just what a virtual key is.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<UINT>(key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<UINT>(key - SDLK_0);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + static_cast<UINT>(key - SDLK_F1);
  switch (key) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_SPACE: return 0x20;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
  }
  return 0;
}

UINT virtualKeyOf(SDL_Scancode scancode, SDL_Keycode key) {
  if (const UINT translated = virtualKeyFromSdl(key)) return translated;
  // A key whose character has no code of its own is named by its place, as Windows does: the
  // letter keys of layouts whose letters are not Latin (Cyrillic, Greek...) keep their Latin
  // codes, and the top row keeps its digits where a layout puts other characters there.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + static_cast<UINT>(scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return '1' + static_cast<UINT>(scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

void ignoreKeysHeldOverBox(const std::vector<unsigned>& keycodes) {
  heldOverBox = keycodes;
  lastRawKey = RawKey::none;
  SDL_EventState(SDL_SYSWMEVENT, heldOverBox.empty() ? SDL_DISABLE : SDL_ENABLE);
}

Fetched fetchMessage(MSG* message, const std::atomic<bool>* stop, int maxWaitMs) {
  Queue& q = queue();
  bool waited = false;
  for (;;) {
    pumpEvents();
    if (stop && stop->load()) return Fetched::stopped;
    if (!stop && q.quitPending) {
      q.quitPending = false;
      *message = makeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0);
      return Fetched::quit;
    }
    if (!q.messages.empty()) {
      *message = q.messages.front();
      q.messages.pop_front();
      return Fetched::message;
    }
    if (HWND window = windowToPaint()) {
      // Cleared here too, so a procedure that never validates cannot make us spin.
      window->needsPaint = false;
      *message = makeMessage(window, WM_PAINT, 0, 0);
      return Fetched::message;
    }
    const std::uint64_t now = nowMs();
    TimerTable::Tick tick;
    if (q.timers.takeDue(now, &tick)) {
      *message =
          makeMessage(tick.window, WM_TIMER, tick.id, reinterpret_cast<LPARAM>(tick.callback));
      return Fetched::message;
    }
    if (waited && maxWaitMs >= 0) return Fetched::idle;
    int timeout = -1;
    std::uint64_t due = 0;
    if (q.timers.nextDue(&due))
      timeout = static_cast<int>(std::min<std::uint64_t>(due - now, INT_MAX));
    if (maxWaitMs >= 0 && (timeout < 0 || timeout > maxWaitMs)) timeout = maxWaitMs;
    waitForEvent(timeout);
    waited = true;
  }
}

bool quitIsPending() {
  return queue().quitPending;
}

void wakeMessageLoop() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;  // then the waiter sleeps in short slices
  SDL_Event event = {};
  event.type = wakeEventType();
  SDL_PushEvent(&event);
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

void discardInput() {
  pumpEvents();
  std::deque<MSG>& messages = queue().messages;
  messages.erase(std::remove_if(messages.begin(), messages.end(),
                                [](const MSG& message) { return isInputMessage(message.message); }),
                 messages.end());
}

void forgetWindow(HWND window) {
  std::deque<MSG>& messages = queue().messages;
  messages.erase(std::remove_if(messages.begin(), messages.end(),
                                [&](const MSG& message) { return message.hwnd == window; }),
                 messages.end());
  queue().timers.killAll(window);
}

}  // namespace platform

BOOL GetMessageA(LPMSG message, HWND, UINT, UINT) {
  // The clock asks for every message, so the window and range filters are not applied.
  if (!message) return -1;
  return platform::fetchMessage(message, nullptr, -1) == platform::Fetched::quit ? FALSE : TRUE;
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

void PostQuitMessage(int exitCode) {
  queue().quitPending = true;
  queue().quitCode = exitCode;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC callback) {
  static UINT_PTR nextThreadTimerId = firstThreadTimerId;
  if (window && !platform::isLiveWindow(window)) return 0;
  // A timer without a window gets an identifier of our choosing, as on Windows.
  if (!window) id = nextThreadTimerId++;
  queue().timers.set(window, id, milliseconds, callback, platform::nowMs());
  return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  return queue().timers.kill(window, id) ? TRUE : FALSE;
}
