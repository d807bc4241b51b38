// The installer's pictures as the build draws them: every picture the installer's script names
// is there, a 24-bit uncompressed BMP (which NSIS takes) of the size its name gives, and shows
// the dial: mostly the honeycomb's yellow, with the bee's dark stripes in the middle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/screens.h"

using e2e::Picture;
using e2e::Rect;
using e2e::Rgb;

namespace {

// The pictures the script takes from the folder CPack fills in, by file name.
std::vector<std::string> picturesNamed(const std::string& script) {
  std::ifstream in(script);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::string folder = "@CPACK_WAGGLER_PICTURES@/";
  std::vector<std::string> names;
  for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at + 1)) {
    const size_t from = at + folder.size();
    names.push_back(text.substr(from, text.find('"', from) - from));
  }
  return names;
}

unsigned field(const std::string& bytes, size_t at, int size) {
  unsigned value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// A 24-bit uncompressed BMP file with bottom-up rows; empty with `why` when it is not one.
Picture readBitmap(const std::string& path, std::string* why) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) {
    *why = "no BMP file";
    return Picture();
  }
  const int width = static_cast<int>(field(bytes, 18, 4));
  const int height = static_cast<int>(field(bytes, 22, 4));
  const unsigned offset = field(bytes, 10, 4), bits = field(bytes, 28, 2);
  const unsigned compression = field(bytes, 30, 4);
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  if (field(bytes, 14, 4) != 40 || bits != 24 || compression != 0 || width <= 0 || height <= 0 ||
      bytes.size() < offset + rowBytes * height) {
    *why = "not a 24-bit uncompressed bottom-up BMP: " + std::to_string(bits) + " bits, " +
           "compression " + std::to_string(compression) + ", " + std::to_string(width) + " by " +
           std::to_string(height);
    return Picture();
  }
  Picture picture(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto* bgr = reinterpret_cast<const std::uint8_t*>(
          &bytes[offset + (height - 1 - y) * rowBytes + x * 3]);
      picture.set(x, y, {bgr[2], bgr[1], bgr[0]});
    }
  return picture;
}

TEST(InstallerPictures, AreTheNamedSizesAndShowTheDialWithTheBee) {
  const auto names = picturesNamed(WAGGLER_NSIS_TEMPLATE);
  EXPECT_EQ(names.size(), 2u) << "the welcome and finish pages' picture and the header picture";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(name.c_str() + name.rfind('-'), "-%dx%d.bmp", &width, &height), 2)
        << "the name should give the size";
    std::string why;
    const Picture picture = readBitmap(std::string(WAGGLER_INSTALLER_PICTURES) + "/" + name, &why);
    ASSERT_FALSE(picture.empty()) << why;
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);

    const Rect whole{0, 0, picture.width, picture.height};
    EXPECT_GE(e2e::dialPixels(picture, whole), picture.width * picture.height * 6 / 10)
        << "most of it should be the dial's yellow";
    const Rect middle{picture.width / 3, picture.height / 3, picture.width / 3, picture.height / 3};
    int stripes = 0;
    for (int y = middle.y; y < middle.y + middle.height; ++y)
      for (int x = middle.x; x < middle.x + middle.width; ++x) {
        const Rgb p = picture.at(x, y);
        stripes += p.r < 60 && p.g < 60 && p.b < 60;
      }
    EXPECT_GE(stripes, middle.width * middle.height / 100) << "the bee's stripes in the middle";
  }
}

}  // namespace
