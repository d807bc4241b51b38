// The desktop's scale, read from the X resource Xft.dpi (which GNOME, KDE, Xfce and Cinnamon
// set, and xterm, GTK and Qt read), and the conversions between the program's pixels and the
// screen's. A leaf: it knows no window.
#include "platform/linux/desktop_scale.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

using platform::baseDpi;
// Windows goes no further than 500 %.
const int largestDpi = 480;
int dpi = baseDpi;

}  // namespace

namespace platform {

// Xft.dpi from the resource string the server holds, as the desktop's settings daemon or
// `xrdb` put it there; 96 when absent, unreadable or smaller (Windows never draws a program
// smaller than it asks). GDK_SCALE is left alone: it is GTK's own integer scale, and desktops
// that set it keep Xft.dpi at the full scale beside it, so taking both would count it twice.
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
  // A connection of our own to the server SDL uses (both follow DISPLAY): SDL shows its own
  // only through a window, and the scale is needed to make the window.
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  dpi = dpiFromResources(XResourceManagerString(display));
  XCloseDisplay(display);
}

int desktopDpi() {
  return dpi;
}

bool desktopScaled() {
  return dpi != baseDpi;
}

int toScreenPixels(int programPixels) {
  // Rounded half away from zero, as Windows' MulDiv does.
  const long long n = static_cast<long long>(programPixels) * dpi;
  return static_cast<int>(n >= 0 ? (n + baseDpi / 2) / baseDpi : -((-n + baseDpi / 2) / baseDpi));
}

int toProgramPixels(int screenPixels) {
  const long long n = static_cast<long long>(screenPixels) * baseDpi;
  return static_cast<int>(n >= 0 ? n / dpi : -((-n + dpi - 1) / dpi));
}

}  // namespace platform
