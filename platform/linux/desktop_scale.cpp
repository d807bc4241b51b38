// The desktop's scale, read from the X resource Xft.dpi (which GNOME, KDE, Xfce and Cinnamon
// set, and xterm, GTK and Qt read) on a connection of its own that also hears the desktop
// rewrite it. A leaf: it knows no window.
#include "platform/linux/desktop_scale.h"

#include <SDL.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/program_pixels.h"

namespace {

// Windows goes no further than 500 %.
const int largestDpi = 480;
int dpi = baseDpi;
// Our connection to the server SDL uses (both follow DISPLAY), which listens for changes of the
// root window's resources; null where there is no X server.
Display* watching = nullptr;

// The resource string as the server holds it now (Xlib's own copy is the one read at connection).
std::string currentResources(Display* display) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string resources;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1 << 20,
                         False, XA_STRING, &type, &format, &count, &after, &data) == Success &&
      data && format == 8)
    resources.assign(reinterpret_cast<const char*>(data), count);
  if (data) XFree(data);
  return resources;
}

}  // namespace

namespace platform {

// GDK_SCALE is left alone: it is GTK's own integer scale, and desktops that set it keep Xft.dpi
// at the full scale beside it, so taking both would count it twice. Windows never draws a
// program smaller than it asks.
int dpiFromResources(const char* resources) {
  if (!resources) return baseDpi;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (!database) return baseDpi;
  char* type = nullptr;
  XrmValue value = {};
  double found = 0;
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
    found = std::strtod(value.addr, nullptr);
  XrmDestroyDatabase(database);
  if (!(found > baseDpi)) return baseDpi;
  // Capped before it is rounded: lround has no answer for infinity or a value past long's range.
  return static_cast<int>(std::lround(std::min(found, static_cast<double>(largestDpi))));
}

void readDesktopScale() {
  static bool read = false;
  if (read) return;
  read = true;
  // Only an X server holds the setting; the tests' dummy video driver has none.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  watching = XOpenDisplay(nullptr);
  if (!watching) return;
  XSelectInput(watching, DefaultRootWindow(watching), PropertyChangeMask);
  dpi = dpiFromResources(currentResources(watching).c_str());
}

bool desktopScaleChanged() {
  if (!watching) return false;
  bool rewritten = false;
  while (XPending(watching) > 0) {
    XEvent event;
    XNextEvent(watching, &event);
    rewritten |= event.type == PropertyNotify && event.xproperty.atom == XA_RESOURCE_MANAGER;
  }
  if (!rewritten) return false;
  const int now = dpiFromResources(currentResources(watching).c_str());
  if (now == dpi) return false;
  dpi = now;
  return true;
}

int desktopDpi() {
  return dpi;
}

int toScreenPixels(int programPixels) {
  return toPhysicalPixels(programPixels, dpi);
}

}  // namespace platform
