// Xft.dpi read from the X server's resource string: whatever the string holds, a scale the
// program can be drawn at, from 96 to 480.
#include <gtest/gtest.h>

#include "platform/linux/desktop_scale.h"

namespace {

struct Reading {
  const char* resources;
  int dpi;
};

TEST(DesktopScale, XftDpiReadsAsAScaleFrom96To480) {
  const Reading readings[] = {
      {nullptr, 96},
      {"Xft.antialias:\t1\n", 96},
      {"Xft.antialias:\t1\nXft.dpi:\t192\n", 192},
      {"*dpi: 120", 120},
      {"Xft.dpi: 143.6", 144},
      {"Xft.dpi: 72", 96},
      {"Xft.dpi: nan", 96},
      {"Xft.dpi: 600", 480},
      // Past what a long holds, or infinite: no rounding answers those, so they are capped first.
      {"Xft.dpi: 1e19", 480},
      {"*dpi: 1e400", 480},
      {"Xft.dpi: -inf", 96},
      {"Xft.dpi: inf", 480},
  };
  for (const Reading& reading : readings) {
    const char* text = reading.resources ? reading.resources : "(none)";
    EXPECT_EQ(platform::dpiFromResources(reading.resources), reading.dpi) << "for " << text;
  }
}

}  // namespace
