// The clock drawn offscreen through the harness's scene, and the area-averaging reduction the
// tools' pictures are made with.
#include "tools/clock_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "harness/offscreen_scene.h"
#include "records/state.h"
#include "scene/frame.h"

using namespace pictures;

namespace {
// Rows drawn above and below the part kept: the credit line stands in the bottom ones.
const int margin = 64;
}  // namespace

Canvas drawClock(int width, int height, double halfHeight) {
  Canvas picture;
  std::string reason;
  const int drawnHeight = height + 2 * margin;
  if (!prepareScene(width, drawnHeight, reason)) {
    std::fprintf(stderr, "cannot draw the clock: %s\n", reason.c_str());
    return picture;
  }
  setLocalTime(10, 8);
  setDanceElapsed(1.0625);
  // The dial lies 5 units behind the origin; the view's 45 degrees span all the rows drawn.
  const double halfView = std::tan(22.5 * 3.14159265358979 / 180.0) * height / drawnHeight;
  clockState.eyeZ = static_cast<float>(halfHeight / halfView - 5.0);
  renderFrame();
  glFinish();
  const Picture frame = readPicture(width, drawnHeight);
  picture.width = width;
  picture.height = height;
  picture.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb p = frame.at(x, margin + y);
      float* q = picture.at(x, y);
      q[0] = p.r / 255.0f, q[1] = p.g / 255.0f, q[2] = p.b / 255.0f, q[3] = 1.0f;
    }
  restoreLocalTime();
  return picture;
}

namespace {
// For each target index along one axis, the source indices it covers and their weights.
std::vector<std::vector<std::pair<int, double>>> coverSpans(int sourceSize, int size) {
  const double step = static_cast<double>(sourceSize) / size;
  std::vector<std::vector<std::pair<int, double>>> spans(size);
  for (int i = 0; i < size; ++i) {
    const double from = i * step, to = (i + 1) * step;
    for (int s = static_cast<int>(from); s < std::min<double>(to, sourceSize); ++s) {
      const double cover = std::min<double>(to, s + 1) - std::max<double>(from, s);
      if (cover > 0) spans[i].push_back({s, cover / step});
    }
  }
  return spans;
}
}  // namespace

Canvas scaleDown(const Canvas& source, int width, int height) {
  Canvas out;
  out.width = width;
  out.height = height;
  out.rgba.assign(static_cast<size_t>(width) * height * 4, 0.0f);
  const auto columns = coverSpans(source.width, width), rows = coverSpans(source.height, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      float* q = out.at(x, y);
      for (const auto& [sy, wy] : rows[y])
        for (const auto& [sx, wx] : columns[x]) {
          const float* p = source.at(sx, sy);
          for (int c = 0; c < 4; ++c) q[c] += static_cast<float>(p[c] * wx * wy);
        }
    }
  return out;
}

Picture toPicture(const Canvas& canvas, bool withAlpha) {
  auto byte = [](float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
  };
  Picture picture(canvas.width, canvas.height);
  if (withAlpha) picture.alpha.resize(picture.pixels.size());
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    const float* p = &canvas.rgba[i * 4];
    picture.pixels[i] = {byte(p[0]), byte(p[1]), byte(p[2])};
    if (withAlpha) picture.alpha[i] = byte(p[3]);
  }
  return picture;
}
