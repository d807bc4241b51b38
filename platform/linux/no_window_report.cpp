// reportNoWindow: says once, on standard error and in a box, why the window could not be made.
#include "platform/no_window_report.h"

#include <cstdio>

#include "platform/linux/failure_notes.h"
#include "platform/linux/queue.h"

namespace {
const int reasonSize = 512;
}  // namespace

void reportNoWindow() {
  const char* noted = platform::noWindowReason();
  const char* why = noted ? noted : "the clock needs OpenGL.";
  char line[reasonSize];
  std::snprintf(line, sizeof line, "%s", why);
  for (char* c = line; *c; ++c)
    if (*c == '\n') *c = ' ';
  std::fprintf(stderr, "waggler: could not open its window: %s\n", line);
  // The window's WM_DESTROY posted the quit, which would end the box at once: take it first.
  if (platform::quitIsPending()) platform::takeQuit();
  // Shown where there is a display, so that a start from a menu is not silent.
  char text[reasonSize + 64];
  std::snprintf(text, sizeof text, "Waggler could not open its window: %s", why);
  MessageBoxA(nullptr, text, "Waggler could not start", MB_OK | MB_ICONERROR);
}
