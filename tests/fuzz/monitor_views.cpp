// Fuzzes monitorViews, the full-screen window's view of each monitor: the input is the window's
// rectangle, then up to 64 monitors' and each one's scale, each field a little-endian 32-bit int
// in the order readRect and the loop read them. The views must lie inside the window as GL
// counts it, and a monitor inside the window keeps its size, place and scale.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "saver/monitor_layout.h"
#include "tests/fuzz/promise.h"

namespace {

// The input, field by field; past its end every field reads as 0.
class Fields {
 public:
  Fields(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool left() const { return at_ < size_; }
  template <class T>
  T next() {
    unsigned char bytes[sizeof(T)] = {};
    const std::size_t n = std::min(sizeof(T), size_ - at_);
    std::memcpy(bytes, data_ + at_, n);
    at_ += n;
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_, at_ = 0;
};

ScreenRect readRect(Fields& fields) {
  ScreenRect rect;
  rect.left = fields.next<std::int32_t>();
  rect.top = fields.next<std::int32_t>();
  rect.right = fields.next<std::int32_t>();
  rect.bottom = fields.next<std::int32_t>();
  return rect;
}

// Sides in 64 bits, which no int coordinate overflows.
long long extent(int from, int to) {
  return std::max(0LL, static_cast<long long>(to) - from);
}

bool overlaps(const ScreenRect& monitor, const ScreenRect& window) {
  return std::max(monitor.left, window.left) < std::min(monitor.right, window.right) &&
         std::max(monitor.top, window.top) < std::min(monitor.bottom, window.bottom);
}

bool inside(const ScreenRect& monitor, const ScreenRect& window) {
  return monitor.left >= window.left && monitor.right <= window.right &&
         monitor.top >= window.top && monitor.bottom <= window.bottom &&
         monitor.left < monitor.right && monitor.top < monitor.bottom;
}

// The view a monitor wholly inside a window no wider or taller than an int counts gets.
SceneView viewOf(const ScreenRect& monitor, const ScreenRect& window) {
  SceneView view;
  view.x = static_cast<int>(monitor.left - static_cast<long long>(window.left));
  view.y = static_cast<int>(window.bottom - static_cast<long long>(monitor.bottom));
  view.width = static_cast<int>(extent(monitor.left, monitor.right));
  view.height = static_cast<int>(extent(monitor.top, monitor.bottom));
  view.dpi = monitor.dpi;
  return view;
}

bool sameView(const SceneView& a, const SceneView& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height && a.dpi == b.dpi;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fields fields(data, size);
  const ScreenRect window = readRect(fields);
  std::vector<ScreenRect> monitors;
  while (fields.left() && monitors.size() < 64) {
    monitors.push_back(readRect(fields));
    monitors.back().dpi = fields.next<std::int32_t>();
  }

  const std::vector<SceneView> views = monitorViews(monitors, window);

  // GL's coordinates are ints: a window wider than that is drawn in the part they reach.
  const long long width = std::min<long long>(extent(window.left, window.right), INT_MAX);
  const long long height = std::min<long long>(extent(window.top, window.bottom), INT_MAX);
  promise(!views.empty(), "there is always a view");
  promise(views.size() <= std::max<std::size_t>(1, monitors.size()), "at most one per monitor");
  for (const SceneView& view : views) {
    promise(view.x >= 0 && view.y >= 0 && view.width >= 0 && view.height >= 0,
            "a view starts inside the window and has no negative size");
    promise(view.x + static_cast<long long>(view.width) <= width &&
                view.y + static_cast<long long>(view.height) <= height,
            "a view ends inside the window");
  }

  const bool anyOverlaps = std::any_of(monitors.begin(), monitors.end(),
                                       [&](const ScreenRect& m) { return overlaps(m, window); });
  if (!anyOverlaps) {
    promise(views.size() == 1 && views[0].x == 0 && views[0].y == 0 && views[0].width == width &&
                views[0].height == height,
            "with no monitor on it the window is one view");
    return 0;
  }
  for (const SceneView& view : views)
    promise(view.width > 0 && view.height > 0, "a monitor's view is not empty");
  if (extent(window.left, window.right) > INT_MAX || extent(window.top, window.bottom) > INT_MAX)
    return 0;
  promise(views.size() == static_cast<std::size_t>(std::count_if(
                              monitors.begin(), monitors.end(),
                              [&](const ScreenRect& m) { return overlaps(m, window); })),
          "each monitor on the window has its view");
  for (const ScreenRect& monitor : monitors) {
    if (!inside(monitor, window)) continue;
    const SceneView want = viewOf(monitor, window);
    promise(std::any_of(views.begin(), views.end(),
                        [&](const SceneView& view) { return sameView(view, want); }),
            "a monitor inside the window keeps its size and place");
  }
  return 0;
}
