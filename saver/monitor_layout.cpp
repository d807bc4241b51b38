// The monitors' rectangles turned into views of the full-screen window.
#include "saver/monitor_layout.h"

#include <algorithm>

std::vector<SceneView> monitorViews(const std::vector<ScreenRect>& monitors,
                                    const ScreenRect& window) {
  std::vector<SceneView> views;
  for (const ScreenRect& monitor : monitors) {
    const int left = std::max(monitor.left, window.left);
    const int right = std::min(monitor.right, window.right);
    const int top = std::max(monitor.top, window.top);
    const int bottom = std::min(monitor.bottom, window.bottom);
    if (left >= right || top >= bottom) continue;
    // GL counts rows from the window's bottom edge.
    views.push_back(
        {left - window.left, window.bottom - bottom, right - left, bottom - top, monitor.dpi});
  }
  if (views.empty())
    views.push_back({0, 0, window.right - window.left, window.bottom - window.top});
  return views;
}
