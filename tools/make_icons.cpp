// Draws the program's icon from the clock itself: one offscreen frame of the dial with the bee,
// cut to a rounded square and scaled to each icon size, written as PNG files and a Windows .ico.
// Usage: make_icons [folder]   (default resources/icons)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "harness/offscreen_scene.h"
#include "harness/picture.h"
#include "records/state.h"
#include "scene/frame.h"

using namespace pictures;

namespace {

// Where the icons are drawn and scaled: straight (not premultiplied) RGBA, rows top-down.
struct Canvas {
  int size = 0;
  std::vector<float> rgba;
  float* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * size + x) * 4]; }
  const float* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * size + x) * 4]; }
};

// The frame is drawn this large and every icon is scaled down from it, which smooths edges.
const int drawnSize = 1024;
// Rows above and below the square that is kept: the credit line stands in the bottom ones.
const int margin = 64;
const int pngSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};
const int icoSizes[] = {16, 24, 32, 48, 64, 256};
// Icons from this size on show the whole dial; smaller ones this much of it around the bee.
const int wholeDialFrom = 128;
const double smallHalfSide = 56.0;

// Ten past ten, the bee half-way along its waggle run and pointing straight along it. The
// square kept shows `halfSide` scene units either side of the dial's centre: the whole dial
// for large icons, the bee close up for small ones, where numerals would be specks.
Canvas drawClock(double halfSide) {
  Canvas picture;
  std::string reason;
  const int height = drawnSize + 2 * margin;
  if (!prepareScene(drawnSize, height, reason)) {
    std::fprintf(stderr, "make_icons: %s\n", reason.c_str());
    return picture;
  }
  setLocalTime(10, 8);
  setDanceElapsed(1.0625);
  // The dial lies 5 units behind the origin.
  const double halfView = std::tan(22.5 * 3.14159265358979 / 180.0) * drawnSize / height;
  clockState.eyeZ = static_cast<float>(halfSide / halfView - 5.0);
  renderFrame();
  glFinish();
  const Picture frame = readPicture(drawnSize, height);
  picture.size = drawnSize;
  picture.rgba.resize(static_cast<size_t>(drawnSize) * drawnSize * 4);
  for (int y = 0; y < drawnSize; ++y)
    for (int x = 0; x < drawnSize; ++x) {
      const Rgb p = frame.at(x, margin + y);
      float* q = picture.at(x, y);
      q[0] = p.r / 255.0f, q[1] = p.g / 255.0f, q[2] = p.b / 255.0f, q[3] = 1.0f;
    }
  restoreLocalTime();
  return picture;
}

// Each target pixel averages the source area it covers, partly covered pixels by their share.
Canvas scaleDown(const Canvas& source, int size) {
  const double step = static_cast<double>(source.size) / size;
  Canvas out;
  out.size = size;
  out.rgba.assign(static_cast<size_t>(size) * size * 4, 0.0f);
  std::vector<std::vector<std::pair<int, double>>> spans(size);
  for (int i = 0; i < size; ++i) {
    const double from = i * step, to = (i + 1) * step;
    for (int s = static_cast<int>(from); s < std::min<double>(to, source.size); ++s) {
      const double cover = std::min<double>(to, s + 1) - std::max<double>(from, s);
      if (cover > 0) spans[i].push_back({s, cover / step});
    }
  }
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float* q = out.at(x, y);
      for (const auto& [sy, wy] : spans[y])
        for (const auto& [sx, wx] : spans[x]) {
          const float* p = source.at(sx, sy);
          for (int c = 0; c < 4; ++c) q[c] += static_cast<float>(p[c] * wx * wy);
        }
    }
  return out;
}

// Rounds the corners: alpha is the share of each pixel inside a square with corners of radius
// one sixth of the side, sampled 8 by 8.
void roundCorners(Canvas& picture) {
  const double side = picture.size, radius = side / 6.0;
  for (int y = 0; y < picture.size; ++y)
    for (int x = 0; x < picture.size; ++x) {
      int inside = 0;
      for (int sy = 0; sy < 8; ++sy)
        for (int sx = 0; sx < 8; ++sx) {
          const double px = x + (sx + 0.5) / 8, py = y + (sy + 0.5) / 8;
          const double cx = std::clamp(px, radius, side - radius);
          const double cy = std::clamp(py, radius, side - radius);
          inside += std::hypot(px - cx, py - cy) <= radius;
        }
      picture.at(x, y)[3] *= inside / 64.0f;
    }
}

// Rounded to 8 bits a channel.
Picture toPicture(const Canvas& canvas) {
  auto byte = [](float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
  };
  Picture picture(canvas.size, canvas.size);
  picture.alpha.resize(picture.pixels.size());
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    const float* p = &canvas.rgba[i * 4];
    picture.pixels[i] = {byte(p[0]), byte(p[1]), byte(p[2])};
    picture.alpha[i] = byte(p[3]);
  }
  return picture;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF), put16(out, v >> 16);
}

// An icon image as Windows has always read it: a 32-bit bottom-up DIB with its height doubled
// for the AND mask, which follows it (all zero: the alpha channel decides).
std::vector<std::uint8_t> encodeDib(const Picture& picture) {
  const int n = picture.width;
  const int maskRow = ((n + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  put32(out, 40), put32(out, n), put32(out, 2 * n), put16(out, 1), put16(out, 32);
  put32(out, 0), put32(out, n * n * 4 + maskRow * n), put32(out, 0), put32(out, 0);
  put32(out, 0), put32(out, 0);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      const Rgb p = picture.at(x, y);
      out.push_back(p.b), out.push_back(p.g), out.push_back(p.r);
      out.push_back(picture.alpha[static_cast<size_t>(y) * n + x]);
    }
  out.resize(out.size() + static_cast<size_t>(maskRow) * n, 0);
  return out;
}

// The .ico: a directory, then the images; the largest as PNG, as Windows Vista and later take it.
std::vector<std::uint8_t> encodeIco(
    const std::vector<std::pair<int, std::vector<std::uint8_t>>>& images) {
  std::vector<std::uint8_t> out;
  put16(out, 0), put16(out, 1), put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (const auto& [size, data] : images) {
    out.push_back(size >= 256 ? 0 : size), out.push_back(size >= 256 ? 0 : size);
    out.push_back(0), out.push_back(0);
    put16(out, 1), put16(out, 32);
    put32(out, static_cast<std::uint32_t>(data.size())), put32(out, offset);
    offset += static_cast<std::uint32_t>(data.size());
  }
  for (const auto& image : images) out.insert(out.end(), image.second.begin(), image.second.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "resources/icons";
  const Canvas dial = drawClock(200.0), bee = drawClock(smallHalfSide);
  if (dial.size == 0 || bee.size == 0) return 1;
  std::vector<std::pair<int, std::vector<std::uint8_t>>> icoImages;
  for (int size : pngSizes) {
    Canvas scaled = scaleDown(size < wholeDialFrom ? bee : dial, size);
    roundCorners(scaled);
    const Picture icon = toPicture(scaled);
    const std::string path = folder + "/waggler-" + std::to_string(size) + ".png";
    if (!writeFile(path, encodePng(icon))) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
      return 1;
    }
    if (std::find(std::begin(icoSizes), std::end(icoSizes), size) != std::end(icoSizes))
      icoImages.push_back({size, size >= 256 ? encodePng(icon) : encodeDib(icon)});
  }
  if (!writeFile(folder + "/waggler.ico", encodeIco(icoImages))) {
    std::fprintf(stderr, "make_icons: cannot write %s/waggler.ico\n", folder.c_str());
    return 1;
  }
  return 0;
}
