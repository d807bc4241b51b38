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

// The picture at half its size, each pixel the mean of a 2 by 2 block (an odd last row or
// column is left out).
Picture halved(const Picture& picture);
// The mean difference of two pictures of one size, per channel (0 to 255).
double meanDifference(const Picture& a, const Picture& b);
// How much fine detail a picture holds: the mean difference between it and itself halved and
// doubled again (each pixel of the half repeated 2 by 2). The dial's centre (dialCentre) drawn
// at 192 dpi holds about 2.5; the 96-dpi one stretched to that size, about 1.2.
double fineDetail(const Picture& picture);
// Between the two: a picture with more was drawn at its size, not stretched.
constexpr double kDrawnAtItsSize = 1.9;
// The middle of an area that shows the clock: a square of six tenths of its shorter side, the
// honeycomb, the bee and some numerals, with no border or frame in it.
Rect dialCentre(const Rect& area);
// Where the credit line stands in the client area `client` of `screen`, relative to the client
// area: the box of its grey as the lights leave it (35 to 55) in the bottom tenth, right of the
// numeral 6, where nothing else is that grey. Empty when there is none.
Rect creditLineBox(const Picture& screen, const Rect& client);

// artifacts/<test>-<step>.<extension> in the build tree, for the running GoogleTest test.
std::string artifactPath(const std::string& step, const std::string& extension);

}  // namespace e2e
