// The full-screen window's views, one per monitor, from the monitors' rectangles as Windows
// lists them in virtual-screen coordinates (y down) to GL window coordinates (y up).
#include "saver/monitor_layout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <ostream>
#include <string>

namespace {

struct Case {
  const char* name;
  std::vector<ScreenRect> monitors;
  ScreenRect window;  // the virtual screen, which the window covers
  std::vector<SceneView> views;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

std::string described(const SceneView& v) {
  return std::to_string(v.width) + "x" + std::to_string(v.height) + " at " + std::to_string(v.x) +
         "," + std::to_string(v.y) + " (" + std::to_string(v.dpi) + " dpi)";
}

class MonitorViews : public ::testing::TestWithParam<Case> {};

TEST_P(MonitorViews, EachMonitorGetsAWholeViewOfItsOwnSize) {
  const Case& c = GetParam();
  const std::vector<SceneView> views = monitorViews(c.monitors, c.window);
  ASSERT_EQ(views.size(), c.views.size()) << c.name;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const SceneView &got = views[i], &want = c.views[i];
    EXPECT_TRUE(got.x == want.x && got.y == want.y && got.width == want.width &&
                got.height == want.height && got.dpi == want.dpi)
        << c.name << ", monitor " << i << ": expected " << described(want) << ", got "
        << described(got);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MonitorViews,
    ::testing::Values(
        Case{"one", {{0, 0, 1024, 768}}, {0, 0, 1024, 768}, {{0, 0, 1024, 768}}},
        Case{"two side by side",
             {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}},
             {0, 0, 3840, 1080},
             {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}},
        // A 1280 by 1024 right of the primary, its top 200 pixels higher.
        Case{"two of different sizes and heights",
             {{0, 0, 1920, 1080}, {1920, -200, 3200, 824}},
             {0, -200, 3200, 1080},
             {{0, 0, 1920, 1080}, {1920, 256, 1280, 1024}}},
        // Left of the primary, bottoms aligned: negative coordinates.
        Case{"one left of the primary",
             {{0, 0, 1920, 1080}, {-1280, 56, 0, 1080}},
             {-1280, 0, 1920, 1080},
             {{1280, 0, 1920, 1080}, {0, 0, 1280, 1024}}},
        // A portrait monitor on the left, centred on the primary's height, and a twin right.
        Case{"three",
             {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}, {-1080, -420, 0, 1500}},
             {-1080, -420, 3840, 1500},
             {{1080, 420, 1920, 1080}, {3000, 420, 1920, 1080}, {0, 0, 1080, 1920}}},
        // A 4K monitor at 200 % right of one at 100 %: each view in its own pixels and scale.
        Case{"two of different scales",
             {{0, 0, 1920, 1080, 96}, {1920, 0, 5760, 2160, 192}},
             {0, 0, 5760, 2160},
             {{0, 1080, 1920, 1080, 96}, {1920, 0, 3840, 2160, 192}}},
        Case{"none listed", {}, {0, 0, 800, 600}, {{0, 0, 800, 600}}},
        // A window that does not cover every monitor keeps what it covers of each.
        Case{"clipped to the window",
             {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}},
             {0, 0, 2560, 1080},
             {{0, 0, 1920, 1080}, {1920, 0, 640, 1080}}},
        // A window with no area gets an empty view, never a negative one.
        Case{"a window without area", {}, {256, 0, 2, 0}, {{0, 0, 0, 0}}},
        // Coordinates whose differences overflow an int: GL reaches the first INT_MAX pixels.
        Case{"wider than an int counts",
             {{-2000000000, 0, 2000000000, 1080}},
             {-2000000000, 0, 2000000000, 1080},
             {{0, 0, INT_MAX, 1080}}},
        Case{"beyond what an int reaches",
             {{0, -2000000000, 1920, -1999998920}, {0, 0, 1920, 1080}},
             {0, -2000000000, 1920, 2000001080},
             {{0, 2000000000, 1920, 1080}}}),
    [](const ::testing::TestParamInfo<Case>& info) {
      std::string name;
      for (const char* p = info.param.name; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
      return name;
    });

}  // namespace
