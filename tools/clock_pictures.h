// The clock drawn offscreen for the pictures the tools make (the icons, the installer's
// pictures): one frame of the dial with the bee at ten past ten, and its reduction to smaller
// pictures by area averaging.
#pragma once

#include <vector>

#include "harness/picture.h"

// Where pictures are drawn and scaled: straight (not premultiplied) RGBA, rows top-down.
struct Canvas {
  int width = 0, height = 0;
  std::vector<float> rgba;
  float* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const float* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// The scene seen straight on, `halfHeight` scene units above and below the dial's centre over
// `height` pixels, at ten past ten with the bee half-way along its waggle run. Empty, after
// saying why on standard error, when no offscreen context can be had.
Canvas drawClock(int width, int height, double halfHeight);

// Each target pixel averages the source area it covers, partly covered pixels by their share.
Canvas scaleDown(const Canvas& source, int width, int height);

// Rounded to 8 bits a channel; with alpha only when `withAlpha`.
pictures::Picture toPicture(const Canvas& canvas, bool withAlpha);
