// The desktop's scale, read from the X resource Xft.dpi (which GNOME, KDE, Xfce and Cinnamon
// set, and xterm, GTK and Qt read), and the GL calls that take window pixels, which the stand-in
// turns into the screen's so that a scaled clock is drawn crisp at its window's real size.
#include "platform/linux/desktop_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/linux/window.h"

namespace {

const int baseDpi = 96;
// Windows goes no further than 500 %.
const int largestDpi = 480;
int dpi = baseDpi;

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
  return static_cast<int>(std::min(std::lround(found), static_cast<long>(largestDpi)));
}

}  // namespace

namespace platform {

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

// The name in parentheses is GL's own function, not the macro of platform/win32.h.
void scaledViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (!platform::desktopScaled()) {
    (glViewport)(x, y, width, height);
    return;
  }
  // The current window's own ratio, so that its whole client area covers its whole drawable
  // whatever the rounding of its size.
  int drawableWidth = 0, drawableHeight = 0, clientWidth = 0, clientHeight = 0;
  if (SDL_Window* sdl = SDL_GL_GetCurrentWindow())
    if (HWND window = platform::windowFromSdl(sdl)) {
      SDL_GL_GetDrawableSize(sdl, &drawableWidth, &drawableHeight);
      clientWidth = window->clientWidth;
      clientHeight = window->clientHeight;
    }
  const auto scale = [](long long v, int to, int from) {
    return from > 0 && to > 0 ? static_cast<GLint>((v * to + from / 2) / from)
                              : static_cast<GLint>(platform::toScreenPixels(static_cast<int>(v)));
  };
  (glViewport)(scale(x, drawableWidth, clientWidth), scale(y, drawableHeight, clientHeight),
               scale(width, drawableWidth, clientWidth),
               scale(height, drawableHeight, clientHeight));
}

void scaledLineWidth(GLfloat width) {
  if (!platform::desktopScaled()) {
    (glLineWidth)(width);
    return;
  }
  (glLineWidth)(width * static_cast<GLfloat>(dpi) / static_cast<GLfloat>(baseDpi));
}
