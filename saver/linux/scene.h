// The clock's scene as the hack draws it: its records set from the options, and the clock's own
// set-up and frame routines. Kept apart from the X and GLX code, whose names clash with Win32's.
#pragma once

#include "saver/linux/options.h"

// With the GL context current: sets the records and runs the clock's scene set-up.
void setupSaverScene(const HackOptions& options, int width, int height);
// The window's new size, taken by the next frame.
void resizeSaverScene(int width, int height);
// One frame of the clock, and the frame rate over it when asked; the caller flushes and swaps.
void drawSaverFrame(bool showFps);
