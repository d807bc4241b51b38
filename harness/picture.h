// The one picture type of the tools and the tests (8-bit RGB, rows top first, alpha when a
// picture has it) and its PNG files, read and written through libpng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// In a namespace of its own: X's render extension has a global Picture.
namespace pictures {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  std::vector<std::uint8_t> alpha;  // one a pixel; empty for an opaque picture

  Picture() = default;
  Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
  bool empty() const { return width == 0 || height == 0; }
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  void set(int x, int y, Rgb c) { pixels[static_cast<std::size_t>(y) * width + x] = c; }
};

// The bytes of a PNG file (RGBA when the picture has alpha, else RGB); empty on failure.
std::vector<std::uint8_t> encodePng(const Picture& picture);
bool writePng(const Picture& picture, const std::string& path);
// The picture in a PNG file; nothing when there is none or it cannot be read.
std::optional<Picture> readPng(const std::string& path);

// False when the file cannot be written whole (or `bytes` is empty).
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace pictures
