// The reason kept for the no-window report: written low, where a step fails, and read once by
// reportNoWindow (no_window_report.cpp).
#include "platform/linux/failure_notes.h"

#include <SDL.h>

#include <cstdio>

namespace {

// The first failure noted; empty while none is.
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

const char* noWindowReason() {
  return reason[0] ? reason : nullptr;
}

}  // namespace platform
