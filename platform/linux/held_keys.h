// Keys held down across a message box, and the filter that keeps them from the clock's windows
// once the box has closed: their repeats and release must act on nothing, as on Windows, where
// the box had the keyboard when they went down.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

struct _XDisplay;  // Xlib's Display

namespace platform {

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

// Keeps the presses, repeats and release of these keys (held as a message box closed) from the
// windows until each is released. While any is held, SDL hands over each raw X key event just
// before the key event it makes of it.
void ignoreKeysHeldOverBox(const HeldKeys& keys);
// Notes a raw X event that SDL handed over (SDL_SYSWMEVENT).
void takeRawKey(const SDL_SysWMmsg& raw);
// True for the key event just read when it comes from a key held since a box closed, or when
// SDL made it up (no X event before it) while such a key is down.
bool keyHeldOverBox();
// Lets go the held keys that came up unseen (while the box still had the keyboard).
void forgetKeysReleasedUnseen();

}  // namespace platform
