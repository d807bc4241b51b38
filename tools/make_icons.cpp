// Draws the program's icon from the clock itself: one offscreen frame of the dial with the bee,
// cut to a rounded square and scaled to each icon size, written as PNG files and a Windows .ico.
// Usage: make_icons [folder]   (default resources/icons)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "harness/picture.h"
#include "tools/clock_pictures.h"

using namespace pictures;

namespace {

// The frame is drawn this large and every icon is scaled down from it, which smooths edges.
const int drawnSize = 1024;
const int pngSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};
const int icoSizes[] = {16, 24, 32, 48, 64, 256};
// Icons from this size on show the whole dial; smaller ones this much of it around the bee,
// where numerals would be specks.
const int wholeDialFrom = 128;
const double smallHalfSide = 56.0;

// Rounds the corners: alpha is the share of each pixel inside a square with corners of radius
// one sixth of the side, sampled 8 by 8.
void roundCorners(Canvas& picture) {
  const double side = picture.width, radius = side / 6.0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
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
  const Canvas dial = drawClock(drawnSize, drawnSize, 200.0);
  const Canvas bee = drawClock(drawnSize, drawnSize, smallHalfSide);
  if (dial.width == 0 || bee.width == 0) return 1;
  std::vector<std::pair<int, std::vector<std::uint8_t>>> icoImages;
  for (int size : pngSizes) {
    Canvas scaled = scaleDown(size < wholeDialFrom ? bee : dial, size, size);
    roundCorners(scaled);
    const Picture icon = toPicture(scaled, true);
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
