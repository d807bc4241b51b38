// Puts the clock's records and scene into a known state on the offscreen context.
#pragma once

#include <string>

#include "harness/offscreen_gl.h"

// Fresh records, a client area of width by height, a wall clock that stands still, and the
// one-time scene set-up.
// Returns false, with a reason, when no offscreen context can be had.
bool prepareScene(int width, int height, std::string& reason);

// Makes the local wall-clock time read hour:minute (through TZ), so the dance points there.
void setLocalTime(int hour, int minute);
void restoreLocalTime();

// Starts the dance `elapsed` seconds before the scene's fixed wall clock.
void setDanceElapsed(double elapsed);

// Scene units to pixels in the plane z = 0, seen from the reset eye 500 units away, in a
// client area `height` pixels high.
double pixelsPerSceneUnit(int height);

// Where two frames differ (by more than 30 over the three channels) inside the box [x0, x1) by
// [y0, y1) of GL's window coordinates, the whole frame when x1 is 0: how many pixels, and their
// centre in the same coordinates (-1 when none).
struct Difference {
  int count = 0;
  double x = -1, y = -1;
};
Difference compareFrames(const pictures::Picture& a, const pictures::Picture& b, int x0 = 0,
                         int y0 = 0, int x1 = 0, int y1 = 0);
