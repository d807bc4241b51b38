// String measurement, numeral texts, time formatting and credit placement.
#include <gtest/gtest.h>

#include "records/state.h"
#include "text/face.h"
#include "text/fonts.h"
#include "text/overlays.h"

class Measure : public ::testing::Test {
 protected:
  void SetUp() override { clockState = ClockState(); }
  void TearDown() override { clockState = ClockState(); }
  void glyph(unsigned char c, float advance, float height) {
    clockState.glyphMetrics[c].gmfCellIncX = advance;
    clockState.glyphMetrics[c].gmfBlackBoxY = height;
  }
};

TEST_F(Measure, WidthSumsAdvancesAndHeightIsTheTallestPositiveInk) {
  glyph('1', 0.5f, 0.7f);
  glyph('2', 0.6f, 0.72f);
  glyph(' ', 0.3f, 0.0f);
  glyph('-', 0.4f, -0.1f);
  glyph(0xE9, 0.55f, 0.9f);
  const struct {
    const char* text;
    float width, height;
  } cases[] = {
      {"12 1", 1.9f, 0.72f},
      {"\xE9", 0.55f, 0.9f},  // codes above 127 index by their unsigned value
      {"\xFF\xFF", 0, 0},     // code 255 has no metrics
      {"- -", 1.1f, 0},       // no positive ink: no vertical shift
  };
  for (const auto& c : cases) {
    float width, height;
    measureText(c.text, width, height);
    EXPECT_FLOAT_EQ(width, c.width) << '"' << c.text << '"';
    EXPECT_FLOAT_EQ(height, c.height) << '"' << c.text << '"';
  }
}

// Roman texts as a reader writes them: a ten, then 9 as IX, 4 as IV, else V and up to three Is.
TEST(Numerals, DecimalAndRomanTextsReadAsTheHour) {
  for (int hour = 1; hour <= 12; ++hour) {
    EXPECT_EQ(numeralText(hour, false), std::to_string(hour));
    const int ones = hour % 10;
    const std::string roman =
        std::string(hour / 10, 'X') +
        (ones == 9   ? "IX"
         : ones == 4 ? "IV"
                     : std::string(ones / 5, 'V') + std::string(ones % 5, 'I'));
    EXPECT_EQ(numeralText(hour, true), roman) << "hour " << hour;
  }
}

TEST(TimeOfDay, HoursHaveNoLeadingZeroMinutesAndSecondsHaveTwoDigits) {
  std::tm t = {};
  EXPECT_EQ(formatTimeOfDay(t), "0:00:00");
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  EXPECT_EQ(formatTimeOfDay(t), "23:59:59");
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  EXPECT_EQ(formatTimeOfDay(t), "9:05:07");
}

TEST(Credit, StartsSevenAndAHalfPixelsPerCharacterFromTheRightEdge) {
  const struct {
    int width, height;
  } sizes[] = {{400, 400}, {384, 361}, {800, 600}, {150, 100}, {149, 15}};
  for (const auto& size : sizes) {
    float x, y;
    creditPosition(20, size.width, size.height, 96, x, y);
    // Back to pixels: NDC -1..1 spans the window.
    const float pixelX = (x + 1.0f) * 0.5f * size.width;
    const float pixelY = (y + 1.0f) * 0.5f * size.height;
    EXPECT_NEAR(pixelX, size.width - 150.0f, 1e-3) << size.width << "x" << size.height;
    EXPECT_NEAR(pixelY, 15.0f, 1e-3) << size.width << "x" << size.height;
  }
  float x, y;
  creditPosition(20, 149, 400, 96, x, y);
  EXPECT_LT(x, -1.0f) << "narrower than 150 pixels puts the line left of the viewport";
  creditPosition(20, 400, 14, 96, x, y);
  EXPECT_GT(y, 1.0f) << "lower than 15 pixels puts the line above the viewport";
}
