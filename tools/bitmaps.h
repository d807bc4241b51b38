// Draws the clock's two pictures from their geometry and encodes them as 24-bit BMP files.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
  std::uint8_t r, g, b;
};

// A picture as seen upright: rows top first, `width` pixels each.
struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture drawStripes();
Picture drawHoneycomb();

// A BMP file: 14-byte file header, 40-byte info header, bottom-up BGR rows.
std::vector<std::uint8_t> encodeBitmapFile(const Picture& picture);
