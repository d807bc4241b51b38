// Keys held across a message box, read from the X server's keymap, and the filter of the
// clock's key events that they need once the box has closed.
#include "platform/linux/held_keys.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <iterator>

#include "platform/linux/window.h"
#include "platform/linux/x_link.h"

namespace {

// The one reading of XQueryKeymap's bits: is this key code down?
bool isDown(const char keymap[32], unsigned keycode) {
  return keycode < 256 && ((keymap[keycode / 8] >> (keycode % 8)) & 1);
}

// Keys held when a message box closed, and what the last raw key event said of the key event
// that SDL makes of it next.
platform::HeldKeys heldOverBox;
enum class RawKey { none, held, fresh };
RawKey lastRawKey = RawKey::none;

// Raw events cost a copy each: SDL hands them over only while a held key is to be told apart.
void watchRawKeys() {
  SDL_EventState(SDL_SYSWMEVENT, heldOverBox.empty() ? SDL_DISABLE : SDL_ENABLE);
}

}  // namespace

namespace platform {

HeldKeys HeldKeys::downNow(_XDisplay* display) {
  HeldKeys held;
  XQueryKeymap(display, held.down_);
  return held;
}

bool HeldKeys::empty() const {
  return std::all_of(std::begin(down_), std::end(down_), [](char bits) { return bits == 0; });
}

bool HeldKeys::take(bool release, unsigned keycode) {
  if (!isDown(down_, keycode)) return false;
  if (release) down_[keycode / 8] &= static_cast<char>(~(1 << (keycode % 8)));
  return true;
}

void HeldKeys::forgetReleased(_XDisplay* display) {
  char now[32] = {};
  XQueryKeymap(display, now);
  if (XEventsQueued(display, QueuedAlready) > 0) return;
  for (int i = 0; i < 32; ++i) down_[i] &= now[i];
}

void ignoreKeysHeldOverBox(const HeldKeys& keys) {
  heldOverBox = keys;
  lastRawKey = RawKey::none;
  watchRawKeys();
}

void takeRawKey(const SDL_SysWMmsg& raw) {
  lastRawKey = RawKey::none;
  if (raw.subsystem != SDL_SYSWM_X11) return;
  const XEvent& event = raw.msg.x11.event;
  if (event.type != KeyPress && event.type != KeyRelease) return;
  const bool held = heldOverBox.take(event.type == KeyRelease, event.xkey.keycode);
  // SDL drops some key events (a release of a key it thinks is up): pair only with what follows.
  SDL_Event next;
  if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
      (next.type == SDL_KEYDOWN || next.type == SDL_KEYUP))
    lastRawKey = held ? RawKey::held : RawKey::fresh;
  watchRawKeys();
}

bool keyHeldOverBox() {
  const RawKey raw = lastRawKey;
  lastRawKey = RawKey::none;
  return raw == RawKey::held || (raw == RawKey::none && !heldOverBox.empty());
}

void forgetKeysReleasedUnseen() {
  if (heldOverBox.empty()) return;
  // Asked on the X connection of the first window that has one.
  for (HWND window : allWindows()) {
    XLink x;
    if (!isLiveWindow(window) || !xLinkOf(window->sdl, x)) continue;
    heldOverBox.forgetReleased(x.display);
    watchRawKeys();
    return;
  }
}

}  // namespace platform
