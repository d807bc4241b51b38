// Where the full-screen window draws the clock: one whole view per monitor, from the monitors'
// rectangles as Windows lists them. Portable: no Windows header, so it is tested natively.
#pragma once

#include <vector>

#include "scene/view.h"

// A rectangle of the virtual screen as Windows gives it: y grows downwards, right and bottom
// lie just outside it.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int dpi = 0;  // a monitor's scale; 0 where it is the window's
};

// One view per monitor that the window overlaps, clipped to the window, in the window's GL
// coordinates and at the monitor's scale; the whole window when no monitor is listed or none
// overlaps it. The rectangles are the monitors' own pixels, as a program aware of each
// monitor's scale has them.
std::vector<SceneView> monitorViews(const std::vector<ScreenRect>& monitors,
                                    const ScreenRect& window);
