// The monitors' rectangles turned into views of the full-screen window.
#include "saver/monitor_layout.h"

#include <algorithm>
#include <limits>

namespace {

// Differences of coordinates in 64 bits: that of two ints can overflow an int.
using Span = long long;
const Span glReach = std::numeric_limits<int>::max();

// The part of a view (x and y from the window's bottom-left corner, not negative) that GL's int
// coordinates reach: all of it, unless the window is wider or taller than an int counts.
SceneView reachable(Span x, Span y, Span width, Span height) {
  if (x >= glReach || y >= glReach) return {};
  return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(std::min(width, glReach - x)),
          static_cast<int>(std::min(height, glReach - y))};
}

}  // namespace

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
    SceneView view = reachable(Span{left} - window.left, Span{window.bottom} - bottom,
                               Span{right} - left, Span{bottom} - top);
    view.dpi = monitor.dpi;
    if (view.width > 0 && view.height > 0) views.push_back(view);
  }
  // A window with no area (its right or bottom edge not past its left or top) has an empty view.
  if (views.empty())
    views.push_back(reachable(0, 0, std::max<Span>(0, Span{window.right} - window.left),
                              std::max<Span>(0, Span{window.bottom} - window.top)));
  return views;
}
