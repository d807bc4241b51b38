// Keys: Windows' virtual-key codes for SDL's keys (GetKeyState is in keys.cpp too), and the
// rule for keys held across a message box, which both the box and the clock's queue follow.
#pragma once

#include <SDL.h>

#include "platform/win32.h"

struct _XDisplay;  // Xlib's Display

namespace platform {

// The code of a key as Windows gives it: by its character, else by its place on the keyboard;
// 0 for keys the layer does not translate.
UINT virtualKeyOf(SDL_Scancode scancode, SDL_Keycode key);

// X key codes held down across a message box: as it opened, for the box; as it closed, for the
// clock's windows. Such a key's presses, repeats and release act on neither; once it is up,
// whether that was seen or not, it counts again.
class HeldKeys {
 public:
  // The keys down on the display now.
  static HeldKeys downNow(_XDisplay* display);
  bool empty() const;
  // Whether a key event comes from a held key; its release lets the key go.
  bool take(bool release, unsigned keycode);
  // Lets go the keys that are up now, unless events the server sent before are still unread
  // (a busy reader may lag behind a held key's repeats): then it decides on a later call.
  void forgetReleased(_XDisplay* display);

 private:
  char down_[32] = {};  // XQueryKeymap's bit per key code
};

}  // namespace platform
