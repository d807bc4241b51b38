// Why the window could not be made, noted where the step failed (the display, the GL visual,
// the GL context), and reportNoWindow, which says it once on standard error and in a box.
#include "platform/linux/no_window.h"

#include <SDL.h>

#include <cstdio>

#include "platform/linux/queue.h"
#include "platform/no_window.h"

namespace {

// The first failure noted, as the end of "could not open its window: ..."; empty while none is.
char reason[512];

}  // namespace

namespace platform {

void noteNoDisplay() {
  if (reason[0]) return;
  // A driver the user named is theirs to mend; without one, the clock is an X11 program.
  if (const char* driver = SDL_getenv("SDL_VIDEODRIVER"))
    std::snprintf(reason, sizeof reason,
                  "the video driver \"%s\" named by SDL_VIDEODRIVER did not start (%s).", driver,
                  SDL_GetError());
  else
    std::snprintf(reason, sizeof reason,
                  "there is no X display (DISPLAY is not set, or its server cannot be reached).");
}

void noteNoOpenGl() {
  if (reason[0]) return;
  const char* display = SDL_getenv("DISPLAY");
  std::snprintf(reason, sizeof reason,
                "there is no OpenGL on display %s.\nCheck it with glxinfo -B (Debian package "
                "mesa-utils).",
                display ? display : "");
}

}  // namespace platform

void reportNoWindow() {
  const char* why = reason[0] ? reason : "the clock needs OpenGL.";
  char line[sizeof reason];
  std::snprintf(line, sizeof line, "%s", why);
  for (char* c = line; *c; ++c)
    if (*c == '\n') *c = ' ';
  std::fprintf(stderr, "waggler: could not open its window: %s\n", line);
  // The window's WM_DESTROY posted the quit, which would end the box at once: take it first.
  if (platform::quitIsPending()) platform::takeQuit();
  // Shown where there is a display, so that a start from a menu is not silent.
  char text[sizeof reason + 64];
  std::snprintf(text, sizeof text, "Waggler could not open its window: %s", why);
  MessageBoxA(nullptr, text, "Waggler could not start", MB_OK | MB_ICONERROR);
}
