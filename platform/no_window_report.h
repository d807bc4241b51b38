// How the program says that it could not open its window, in the words and the place where
// each system's users look: a box on Windows; a line on standard error and a box on Linux.
#pragma once

#include "platform/win32.h"

#ifdef _WIN32

inline void reportNoWindow() {
  // The window's WM_DESTROY posted the quit, which would end the box at once: take it first.
  MSG pendingQuit;
  PeekMessageA(&pendingQuit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  MessageBoxA(nullptr,
              "Waggler could not open its window: the clock needs OpenGL, and Windows gave it no "
              "OpenGL pixel format or context. Check that a graphics driver is installed.",
              "Waggler could not start", MB_OK | MB_ICONERROR);
}

#else

// Says why the window could not be made, as the stand-in noted it where the step failed.
void reportNoWindow();

#endif
