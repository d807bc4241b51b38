// The one rule between program pixels and a display's, as a table over the scales Windows
// offers, with odd sizes and negative coordinates, and the credit line placed by it.
#include "platform/program_pixels.h"

#include <gtest/gtest.h>

#include <climits>

#include "text/overlays.h"

namespace {

const int scales[] = {96, 120, 144, 192, 240};

struct Row {
  int program;
  int physical[5];  // at each of `scales`, half away from zero
};

const Row rows[] = {
    {400, {400, 500, 600, 800, 1000}},
    {391, {391, 489, 587, 782, 978}},
    {1, {1, 1, 2, 2, 3}},
    {0, {0, 0, 0, 0, 0}},
    {-1, {-1, -1, -2, -2, -3}},
    {-391, {-391, -489, -587, -782, -978}},
};

TEST(ProgramPixels, ScaleByMulDivRoundingAtEveryScale) {
  for (const Row& row : rows)
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(toPhysicalPixels(row.program, scales[i]), row.physical[i])
          << row.program << " program pixels at " << scales[i] << " dpi";
      // And back: every rounded size names the size it came from.
      EXPECT_EQ(toProgramPixels(row.physical[i], scales[i]), row.program)
          << row.physical[i] << " pixels at " << scales[i] << " dpi";
    }
  EXPECT_EQ(rescalePixels(489, 120, 240), 978);
  EXPECT_EQ(rescalePixels(-3, 240, 144), -2);
}

TEST(ProgramPixels, HoldExtremesAndNinetySixExactly) {
  EXPECT_EQ(toPhysicalPixels(INT_MAX, 240), INT_MAX);
  EXPECT_EQ(toPhysicalPixels(INT_MIN, 192), INT_MIN);
  EXPECT_EQ(toProgramPixels(INT_MIN, 96), INT_MIN);
  EXPECT_EQ(toProgramPixels(7, 0), 7) << "no scale at all leaves a length alone";
  for (const float length : {1.0f, 1.5f, 2.2f, 6.0f, 15.0f})
    EXPECT_EQ(toPhysicalLength(length, 96), length) << "96 dpi must change nothing";
  EXPECT_FLOAT_EQ(toPhysicalLength(2.2f, 192), 4.4f);
  EXPECT_FLOAT_EQ(toPhysicalLength(1.5f, 144), 2.25f);
}

TEST(Credit, StandsAsFarFromTheCornerInProgramPixelsAtAnyScale) {
  for (const int dpi : scales) {
    const int width = toPhysicalPixels(392, dpi), height = toPhysicalPixels(373, dpi);
    float x, y;
    creditPosition(20, width, height, dpi, x, y);
    const float pixelX = (x + 1.0f) * 0.5f * static_cast<float>(width);
    const float pixelY = (y + 1.0f) * 0.5f * static_cast<float>(height);
    EXPECT_NEAR(pixelX, width - 150.0f * static_cast<float>(dpi) / 96.0f, 1e-3) << dpi << " dpi";
    EXPECT_NEAR(pixelY, 15.0f * static_cast<float>(dpi) / 96.0f, 1e-3) << dpi << " dpi";
  }
}

}  // namespace
