// The X display and window behind an SDL window, and the atoms the stand-in names.
#include "platform/linux/x_link.h"

#include <SDL_syswm.h>

#include <map>
#include <string>
#include <utility>

namespace platform {

bool xLinkOf(SDL_Window* sdl, XLink& link) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  link.display = info.info.x11.display;
  link.window = info.info.x11.window;
  return true;
}

Atom xAtom(Display* display, const char* name) {
  // An atom is the server's for good, so a connection to it may keep what it was told.
  static std::map<std::pair<Display*, std::string>, Atom> interned;
  auto key = std::make_pair(display, std::string(name));
  const auto found = interned.find(key);
  if (found != interned.end()) return found->second;
  const Atom atom = XInternAtom(display, name, False);
  if (atom != None) interned.emplace(std::move(key), atom);
  return atom;
}

}  // namespace platform
