// Screens as pictures: areas of them, measures of what the clock draws in them, and where a
// test keeps its pictures and logs.
#pragma once

#include <cstddef>
#include <string>

#include "harness/picture.h"

namespace e2e {

using pictures::Picture;
using pictures::Rgb;
using pictures::writePng;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool contains(int px, int py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
  bool operator==(const Rect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// `area` of the picture as a picture of its own.
Picture cut(const Picture& picture, const Rect& area);
// Pixels of the honeycomb dial's yellow inside `area` (clipped to the picture): a drawn clock
// covers most of its client area with it.
int dialPixels(const Picture& screen, const Rect& area);
// Number of distinct colours inside `area` (clipped to the picture).
size_t distinctColours(const Picture& picture, const Rect& area);
// Pixels of `area` whose colours in `a` and `b` differ by more than 40 (summed over the
// channels), leaving out those in `except`.
int differingPixels(const Picture& a, const Picture& b, const Rect& area, const Rect& except = {});

// artifacts/<test>-<step>.<extension> in the build tree, for the running GoogleTest test.
std::string artifactPath(const std::string& step, const std::string& extension);

}  // namespace e2e
