// Numerals, digital time, credit line and ScaledText, drawn offscreen with the real glyph lists.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/keys.h"
#include "harness/offscreen_scene.h"
#include "records/state.h"
#include "render/camera.h"
#include "scene/frame.h"
#include "tests/render/leaves.h"
#include "text/face.h"
#include "text/fonts.h"
#include "text/overlays.h"

namespace {

const int size = 400;
const double pixelsPerUnit = pixelsPerSceneUnit(size);
const GLuint unusedListBase = 100000;  // no lists live there: calls draw nothing

class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(prepareScene(size, size, reason)) << reason;
    clockSettings.showDanceLine = false;
    // Keep the bee out of the comparisons: shrunk to a point, and held still.
    clockSettings.beeScale = 0.0f;
    clockSettings.danceTimeScale = 1e9f;
  }
  pictures::Picture frame() {
    renderFrame();
    return readPicture(size, size);
  }
};

}  // namespace

TEST_F(Text, NumeralsStandOnTheirCircleTwelveAtTheTopThreeOnTheRight) {
  const pictures::Picture with = frame();
  clockSettings.showNumerals = false;
  const pictures::Picture without = frame();
  const double radius = 160 * pixelsPerUnit;
  for (int hour = 1; hour <= 12; ++hour) {
    SCOPED_TRACE("numeral " + std::to_string(hour));
    const double angle = hour * 3.14159265358979 / 6;
    const int cx = static_cast<int>(size / 2 + radius * std::sin(angle));
    const int cy = static_cast<int>(size / 2 + radius * std::cos(angle));
    const Difference d = compareFrames(with, without, std::max(cx - 30, 0), std::max(cy - 25, 0),
                                       std::min(cx + 30, size), std::min(cy + 25, size));
    ASSERT_GT(d.count, 20) << saveFrame("numerals", size, size);
    EXPECT_NEAR(d.x, cx, 5.0);
    EXPECT_NEAR(d.y, cy, 5.0);
  }
  const Difference centre = compareFrames(with, without, 150, 150, 250, 250);
  EXPECT_EQ(centre.count, 0) << "nothing but the face in the middle of the dial";
}

TEST_F(Text, RomanNumeralsAppearAfterR) {
  const pictures::Picture arabic = frame();
  handleKeyUp('R');
  const pictures::Picture roman = frame();
  // "8" and "VIII" at the lower left: the Roman text is much wider.
  const double angle = 8 * 3.14159265358979 / 6;
  const int cx = static_cast<int>(size / 2 + 160 * pixelsPerUnit * std::sin(angle));
  const int cy = static_cast<int>(size / 2 + 160 * pixelsPerUnit * std::cos(angle));
  const Difference d = compareFrames(arabic, roman, cx - 45, cy - 20, cx + 45, cy + 20);
  EXPECT_GT(d.count, 100) << saveFrame("roman", size, size);
  float arabicWidth, romanWidth, height;
  measureText(numeralText(8, false), arabicWidth, height);
  measureText(numeralText(8, true), romanWidth, height);
  EXPECT_GT(romanWidth, 2 * arabicWidth) << "VIII measures wider than 8";
}

TEST_F(Text, DigitalTimeFloatsAboveTheDialAndIgnoresTheCamera) {
  const pictures::Picture plain = frame();
  clockState.showDigitalTime = true;
  const pictures::Picture shown = frame();
  // Above the credit line, whose lit colour follows the last normal the glyphs left.
  const Difference atRest = compareFrames(plain, shown, 0, 40);
  ASSERT_GT(atRest.count, 200) << saveFrame("digital-time", size, size);
  // 50 units above the line of sight, 400 in front of the eye.
  const double expectedY = size / 2 + 50 * (size / 2) / (400 * std::tan(22.5 * 3.14159265 / 180));
  EXPECT_NEAR(atRest.x, size / 2, 12.0);
  EXPECT_NEAR(atRest.y, expectedY, 8.0) << saveFrame("digital-time", size, size);

  onMouseWheel(120);  // dolly, and turn the scene
  clockState.spinY = 25.0f;
  const pictures::Picture movedShown = frame();
  clockState.showDigitalTime = false;
  const pictures::Picture movedPlain = frame();
  const Difference moved = compareFrames(movedPlain, movedShown, 0, 40);
  EXPECT_NEAR(moved.x, atRest.x, 6.0) << saveFrame("digital-time-moved", size, size);
  EXPECT_NEAR(moved.y, atRest.y, 4.0);
}

TEST_F(Text, CreditLineStandsBottomRightAndVanishesInANarrowWindow) {
  const pictures::Picture with = frame();
  const GLuint base = clockState.bitmapFontBase;
  clockState.bitmapFontBase = unusedListBase;
  const pictures::Picture without = frame();
  const Difference whole = compareFrames(with, without);
  const Difference corner = compareFrames(with, without, size - 160, 0, size, 35);
  EXPECT_GT(corner.count, 40) << saveFrame("credit", size, size);
  EXPECT_EQ(whole.count, corner.count) << "the credit line draws only in the bottom-right corner";

  clockState.bitmapFontBase = base;
  clockSettings.windowWidth = 149;
  renderFrame();
  GLint valid = GL_TRUE;
  glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  EXPECT_EQ(valid, GL_FALSE) << "a window narrower than 150 pixels has no room for the credit";
  clockSettings.windowWidth = 150;
  renderFrame();
  glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  EXPECT_EQ(valid, GL_TRUE);
}

// Each routine's header line, item by item, after an entry state contrary to it.
TEST_F(Text, EachRoutineLeavesTheStateItsHeaderStates) {
  const std::vector<float> grey = {0.5f, 0.5f, 0.5f, 1}, faceColour = {1, 0.8f, 0, 1};
  // ScaledText's items besides its matrix and colour, which drawFace and drawDigitalTime share.
  const float outlineBase = static_cast<float>(clockState.outlineFontBase);
  const std::vector<Stated> scaledText(
      {is(GL_POLYGON_MODE, {GL_FILL, GL_FILL}), is(GL_FRONT_FACE, {GL_CCW}), on(GL_LIGHTING),
       on(GL_DEPTH_TEST), off(GL_BLEND), is(GL_LIST_BASE, {outlineBase})});
  setContraryState();
  std::vector<Stated> found =
      asFound({GL_MODELVIEW_MATRIX, GL_CURRENT_COLOR, GL_POLYGON_MODE, GL_FRONT_FACE, GL_LIGHTING,
               GL_DEPTH_TEST, GL_BLEND, GL_LIST_BASE});
  ScaledText("", 30, 30);
  expectLeaves("ScaledText of an empty string", found);

  setContraryState();
  found = asFound({GL_MODELVIEW_MATRIX, GL_CURRENT_COLOR});
  ScaledText("12:34", 30, 30);
  expectLeaves("ScaledText", found, scaledText);

  for (bool numerals : {false, true}) {
    clockSettings.showNumerals = numerals;
    setContraryState();
    found = asFound({GL_MODELVIEW_MATRIX});
    drawFace();
    found.insert(found.end(), {on(GL_LIGHTING), off(GL_TEXTURE_2D),
                               is(GL_CURRENT_COLOR, numerals ? grey : faceColour)});
    expectLeaves(numerals ? "drawFace with numerals" : "drawFace", found,
                 numerals ? scaledText : std::vector<Stated>());
  }

  setContraryState();
  drawDigitalTime();
  std::vector<float> moved = identity;
  moved[13] = 50;
  moved[14] = -400;
  expectLeaves("drawDigitalTime",
               {is(GL_MATRIX_MODE, {GL_MODELVIEW}), is(GL_MODELVIEW_MATRIX, moved),
                is(GL_CURRENT_COLOR, {1, 1, 1, 1})},
               scaledText);

  for (bool enabled : {false, true}) {  // no capability changes, whichever way it stands
    setContraryState();
    for (GLenum c : capabilities) enabled ? glEnable(c) : glDisable(c);
    found = asFound(capabilities);
    drawCredit();
    expectLeaves("drawCredit", found,
                 {is(GL_MATRIX_MODE, {GL_MODELVIEW}), is(GL_MODELVIEW_MATRIX, identity),
                  is(GL_PROJECTION_MATRIX, identity),
                  is(GL_LIST_BASE, {static_cast<float>(clockState.bitmapFontBase)}),
                  is(GL_CURRENT_COLOR, {0.7f, 0.7f, 0.7f, 1})});  // the default
  }
}

TEST_F(Text, FailedOutlineBuildDrawsNoTextAndTheFrameGoesOn) {
  std::memset(clockState.glyphMetrics, 0, sizeof clockState.glyphMetrics);
  clockState.outlineFontBase = unusedListBase;
  const pictures::Picture with = frame();
  clockSettings.showNumerals = false;
  const pictures::Picture without = frame();
  EXPECT_EQ(compareFrames(with, without).count, 0) << saveFrame("no-outline-font", size, size);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
