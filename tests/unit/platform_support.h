// Shared by the stand-in layer's tests: SDL's dummy video driver, a window whose procedure
// records every message it is sent, the next message the loop gets, and SDL events to push.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "platform/linux/window.h"
#include "platform/linux/window_frame.h"

namespace platformtest {

// Chosen before anything starts SDL, so no test needs or touches a display.
inline const bool dummyVideo = (setenv("SDL_VIDEODRIVER", "dummy", 1), true);

inline std::vector<MSG>& received() {
  static std::vector<MSG> log;
  return log;
}

// Ticks the recording procedure has had, which a stand-in box waits for.
inline int& ticksReceived() {
  static int count = 0;
  return count;
}

// Records the message, then does what Windows' default procedure would.
inline LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) ++ticksReceived();
  MSG entry = {};
  entry.hwnd = window;
  entry.message = message;
  entry.wParam = wParam;
  entry.lParam = lParam;
  received().push_back(entry);
  return DefWindowProcA(window, message, wParam, lParam);
}

inline const char* recordingClass() {
  static const bool registered = [] {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.lpfnWndProc = recordingProc;
    windowClass.lpszClassName = "PlatformTestWindow";
    return RegisterClassExA(&windowClass) != 0;
  }();
  (void)registered;
  return "PlatformTestWindow";
}

// A shown 400 by 400 window at (1, 1); under the dummy driver it has a plain SDL window.
inline HWND makeShownWindow() {
  HWND window = CreateWindowExA(0, recordingClass(), "Test", WS_OVERLAPPEDWINDOW, 1, 1, 400, 400,
                                nullptr, nullptr, nullptr, nullptr);
  if (window) ShowWindow(window, SW_SHOWNORMAL);
  received().clear();
  return window;
}

// The next message GetMessageA gives, which must not be the quit.
inline MSG nextMessage() {
  MSG message = {};
  EXPECT_TRUE(GetMessageA(&message, nullptr, 0, 0));
  return message;
}

// The next message that is not a focus change of one of `focusable`: showing a window focuses
// it, as Windows does before the first paint, and takes the focus from the window that had it;
// so does SDL 2.32's dummy driver (Debian 13), where 2.26's never does. A focus message to any
// other window, a destroyed one above all, is returned like any other message.
inline MSG nextMessagePastFocus(std::initializer_list<HWND> focusable) {
  for (;;) {
    const MSG message = nextMessage();
    const bool focus = message.message == WM_SETFOCUS || message.message == WM_KILLFOCUS;
    if (!focus || std::find(focusable.begin(), focusable.end(), message.hwnd) == focusable.end())
      return message;
  }
}

// How many recorded messages have this identifier.
inline int countReceived(UINT message) {
  int count = 0;
  for (const MSG& entry : received())
    if (entry.message == message) ++count;
  return count;
}

// Events pushed into SDL's queue as the X11 driver would deliver them.
inline void pushEvent(SDL_Event event) {
  ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

inline void pushKey(HWND window, Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE,
                    Uint8 repeat = 0) {
  SDL_Event event = {};
  event.type = type;
  event.key.windowID = window ? window->sdlId : 0;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat;
  event.key.keysym.sym = key;
  event.key.keysym.mod = mod;
  pushEvent(event);
}

inline void pushMotion(HWND window, int x, int y) {
  SDL_Event event = {};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = window->sdlId;
  event.motion.x = x;
  event.motion.y = y;
  pushEvent(event);
}

}  // namespace platformtest
