// The stripes are bands of whole rows; the honeycomb is walls 8 pixels wide drawn on
// fixed centre lines that wrap at the edges, so the picture tiles in both directions.
#include "tools/bitmaps.h"

#include <algorithm>
#include <cmath>

namespace {
const Rgb yellow = {255, 255, 0};
const Rgb black = {0, 0, 0};
const Rgb wallOrange = {255, 146, 0};
const Rgb wallDotOrange = {255, 109, 0};

struct Segment {
  float x0, y0, x1, y1;
};

// Wall centre lines in pixels from the top-left; they run past the edges and wrap.
const Segment honeycombWalls[] = {
    {36, 4, 120, 4},   {36, 132, 120, 132}, {163, 68, 251, 68},   {163, 196, 251, 196},
    {120, 4, 163, 68}, {163, 68, 120, 132}, {120, 132, 163, 196}, {163, 196, 120, 260},
    {36, 4, -5, 68},   {-5, 68, 36, 132},   {36, 132, -5, 196},   {-5, 196, 36, 260},
};
const float wallHalfWidth = 4.0f;

float distanceToSegment(float px, float py, const Segment& s) {
  const float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  float t = ((px - s.x0) * dx + (py - s.y0) * dy) / (dx * dx + dy * dy);
  t = std::clamp(t, 0.0f, 1.0f);
  return std::hypot(px - (s.x0 + t * dx), py - (s.y0 + t * dy));
}

bool onWall(int x, int y, int size) {
  const float cx = x + 0.5f, cy = y + 0.5f;  // pixel centre
  for (const Segment& wall : honeycombWalls)
    for (int ox = -1; ox <= 1; ++ox)
      for (int oy = -1; oy <= 1; ++oy)
        if (distanceToSegment(cx + ox * size, cy + oy * size, wall) < wallHalfWidth) return true;
  return false;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}
void put32(std::vector<std::uint8_t>& out, unsigned v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}
}  // namespace

Picture drawStripes() {
  Picture picture;
  picture.width = picture.height = 128;
  const int blackBandTops[] = {16, 40, 64, 88, 111};  // each 9 rows deep
  for (int y = 0; y < picture.height; ++y) {
    bool inBlack = false;
    for (int top : blackBandTops) inBlack = inBlack || (y >= top && y < top + 9);
    picture.pixels.insert(picture.pixels.end(), picture.width, inBlack ? black : yellow);
  }
  return picture;
}

Picture drawHoneycomb() {
  Picture picture;
  picture.width = picture.height = 256;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      Rgb colour = yellow;
      if (onWall(x, y, picture.width))
        colour = (x % 2 == 0 && y % 2 == 0) ? wallDotOrange : wallOrange;
      picture.pixels.push_back(colour);
    }
  return picture;
}

std::vector<std::uint8_t> encodeBitmapFile(const Picture& picture) {
  const unsigned rowBytes = (picture.width * 3 + 3) & ~3u;
  const unsigned imageSize = rowBytes * picture.height;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 14 + 40 + imageSize);
  put32(out, 0);        // reserved
  put32(out, 14 + 40);  // offset of the pixel rows
  put32(out, 40);
  put32(out, picture.width);
  put32(out, picture.height);  // positive: bottom-up rows
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);  // BI_RGB
  put32(out, imageSize);
  for (int i = 0; i < 4; ++i) put32(out, 0);  // resolutions and colour counts
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const Rgb c = picture.at(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (unsigned pad = picture.width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}
