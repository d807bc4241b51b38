// Why the window could not be made, noted where the step failed (the display, the GL visual,
// the GL context), and reportNoWindow, which says it once on standard error and in a box.
#include "platform/linux/no_window.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/linux/queue.h"
#include "platform/no_window.h"

namespace {

std::string& firstFailure() {
  static std::string reason;
  return reason;
}

}  // namespace

namespace platform {

void noteNoDisplay() {
  if (!firstFailure().empty()) return;
  // A driver the user named is theirs to mend; without one, the clock is an X11 program.
  if (const char* driver = SDL_getenv("SDL_VIDEODRIVER"))
    firstFailure() = std::string("the video driver \"") + driver +
                     "\" named by SDL_VIDEODRIVER did not start (" + SDL_GetError() + ").";
  else
    firstFailure() = "there is no X display (DISPLAY is not set, or its server cannot be reached).";
}

void noteNoOpenGl() {
  if (!firstFailure().empty()) return;
  const char* display = SDL_getenv("DISPLAY");
  firstFailure() = std::string("there is no OpenGL on display ") + (display ? display : "") +
                   ".\nCheck it with glxinfo -B (Debian package mesa-utils).";
}

}  // namespace platform

void reportNoWindow() {
  const std::string what =
      "could not open its window: " +
      (firstFailure().empty() ? std::string("the clock needs OpenGL.") : firstFailure());
  std::string line = what;
  for (char& c : line)
    if (c == '\n') c = ' ';
  std::fprintf(stderr, "waggler: %s\n", line.c_str());
  // The window's WM_DESTROY posted the quit, which would end the box at once: take it first.
  if (platform::quitIsPending()) platform::takeQuit();
  // Shown where there is a display, so that a start from a menu is not silent.
  MessageBoxA(nullptr, ("Waggler " + what).c_str(), "Waggler could not start",
              MB_OK | MB_ICONERROR);
}
