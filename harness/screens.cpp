// Measures of screen pictures, each clipped to the picture, and the tests' artefact paths.
#include "harness/screens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
