// Measures of screen pictures, each clipped to the picture, and the tests' artefact paths.
#include "harness/screens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unordered_set>

namespace e2e {
namespace {

// Calls `visit(x, y)` for every pixel of `area` inside the picture.
template <class Visit>
void eachPixel(const Picture& picture, const Rect& area, Visit visit) {
  for (int y = std::max(0, area.y); y < std::min(picture.height, area.y + area.height); ++y)
    for (int x = std::max(0, area.x); x < std::min(picture.width, area.x + area.width); ++x)
      visit(x, y);
}

}  // namespace

Picture cut(const Picture& picture, const Rect& area) {
  Picture out(area.width, area.height);
  eachPixel(picture, area,
            [&](int x, int y) { out.set(x - area.x, y - area.y, picture.at(x, y)); });
  return out;
}

int dialPixels(const Picture& screen, const Rect& area) {
  int count = 0;
  eachPixel(screen, area, [&](int x, int y) {
    const Rgb p = screen.at(x, y);
    count += p.r > 200 && p.g > 100 && p.b < 80;
  });
  return count;
}

size_t distinctColours(const Picture& picture, const Rect& area) {
  std::unordered_set<uint32_t> seen;
  eachPixel(picture, area, [&](int x, int y) {
    const Rgb c = picture.at(x, y);
    seen.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
  });
  return seen.size();
}

int differingPixels(const Picture& a, const Picture& b, const Rect& area, const Rect& except) {
  int count = 0;
  eachPixel(a, area, [&](int x, int y) {
    const Rgb p = a.at(x, y), q = b.at(x, y);
    count += !except.contains(x, y) &&
             std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 40;
  });
  return count;
}

Picture halved(const Picture& picture) {
  Picture half(picture.width / 2, picture.height / 2);
  for (int y = 0; y < half.height; ++y)
    for (int x = 0; x < half.width; ++x) {
      int r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          const Rgb p = picture.at(2 * x + dx, 2 * y + dy);
          r += p.r, g += p.g, b += p.b;
        }
      half.set(x, y,
               {static_cast<std::uint8_t>((r + 2) / 4), static_cast<std::uint8_t>((g + 2) / 4),
                static_cast<std::uint8_t>((b + 2) / 4)});
    }
  return half;
}

double meanDifference(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.empty()) return 255.0;
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    sum += std::abs(a.pixels[i].r - b.pixels[i].r) + std::abs(a.pixels[i].g - b.pixels[i].g) +
           std::abs(a.pixels[i].b - b.pixels[i].b);
  return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

double fineDetail(const Picture& picture) {
  const Picture half = halved(picture);
  Picture again(2 * half.width, 2 * half.height);
  for (int y = 0; y < again.height; ++y)
    for (int x = 0; x < again.width; ++x) again.set(x, y, half.at(x / 2, y / 2));
  return meanDifference(cut(picture, {0, 0, again.width, again.height}), again);
}

Rect dialCentre(const Rect& area) {
  const int side = std::min(area.width, area.height) * 6 / 10;
  return {area.x + (area.width - side) / 2, area.y + (area.height - side) / 2, side, side};
}

Rect creditLineBox(const Picture& screen, const Rect& client) {
  int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
  for (int y = client.y + client.height * 9 / 10; y < client.y + client.height; ++y)
    for (int x = client.x + client.width * 4 / 7; x < client.x + client.width; ++x) {
      if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) continue;
      const Rgb p = screen.at(x, y);
      if (p.r == p.g && p.g == p.b && p.r >= 35 && p.r <= 55)
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  if (x1 < 0) return {};
  return {x0 - client.x, y0 - client.y, x1 - x0 + 1, y1 - y0 + 1};
}

std::string artifactPath(const std::string& step, const std::string& extension) {
  std::string test = "harness";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
    test = std::string(info->test_suite_name()) + "." + info->name();
  std::string name = test + "-" + step;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
  std::filesystem::create_directories(WAGGLER_E2E_ARTIFACTS);
  return std::string(WAGGLER_E2E_ARTIFACTS) + "/" + name + "." + extension;
}

}  // namespace e2e
