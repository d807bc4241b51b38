// The X side of an SDL window: its display connection and window, and atoms interned once per
// connection. The stand-in's files that speak to X beside SDL (the icon and hints, the keys held
// over a box, the box itself) all go through here.
#pragma once

#include <SDL.h>
#include <X11/Xlib.h>

namespace platform {

struct XLink {
  Display* display = nullptr;
  Window window = 0;
};

// The display and window SDL drew `sdl` on; false when there is none, or it is not on X.
bool xLinkOf(SDL_Window* sdl, XLink& link);
// The atom of `name` on `display`, asked of the server the first time only.
Atom xAtom(Display* display, const char* name);

}  // namespace platform
