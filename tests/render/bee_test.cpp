// The bee and the dance line, drawn offscreen at chosen dance states and local times.
#include "bee/bee.h"

#include <gtest/gtest.h>

#include <cmath>

#include "bee/dance.h"
#include "bee/dance_line.h"
#include "harness/offscreen_scene.h"
#include "records/state.h"
#include "render/camera.h"
#include "scene/frame.h"
#include "tests/render/leaves.h"

namespace {

using pictures::Picture;
using pictures::Rgb;

const int size = 400;
// Scene units to pixels in the bee's plane, 500 units before the reset eye.
const double pixelsPerUnit = pixelsPerSceneUnit(size);

class Bee : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(prepareScene(size, size, reason)) << reason;
    clockSettings.showNumerals = false;
    clockSettings.showDanceLine = false;
  }
  void TearDown() override { restoreLocalTime(); }

  // A frame at hour:00 with the dance `elapsed` seconds old.
  Picture frameAt(int hour, double elapsed, float beeScale) {
    setLocalTime(hour, 0);
    setDanceElapsed(elapsed);
    clockSettings.beeScale = beeScale;
    renderFrame();
    return readPicture(size, size);
  }

  // Window pixel of a point of the bee's own frame, in the pose the last frame drew, seen from
  // the reset pose.
  static void projectFromBee(double beeFrameX, double beeFrameY, double& x, double& y) {
    const double degrees = 3.14159265358979 / 180.0;
    const double turn = -clockState.beeHeading * degrees, hour = clockState.hourAngle * degrees;
    const double scale = clockSettings.beeScale;
    const double danceX =
        clockState.beeX + scale * (beeFrameX * std::cos(turn) - beeFrameY * std::sin(turn));
    const double danceY =
        clockState.beeY + scale * (beeFrameX * std::sin(turn) + beeFrameY * std::cos(turn));
    x = size / 2 + (danceX * std::cos(hour) - danceY * std::sin(hour)) * pixelsPerUnit;
    y = size / 2 + (danceX * std::sin(hour) + danceY * std::cos(hour)) * pixelsPerUnit;
  }
};

}  // namespace

TEST_F(Bee, StandsWhereTheDancePosePutsItForEachHour) {
  clockState.texturesLoaded = false;  // a plain face makes the bee easy to pick out
  const struct {
    int hour;
    double dirX, dirY;  // where the waggle run points on the screen
  } hours[] = {{3, 1, 0}, {6, 0, -1}, {9, -1, 0}, {12, 0, 1}};
  for (const auto& h : hours) {
    SCOPED_TRACE("at " + std::to_string(h.hour) + ":00");
    // 1.5 s in: three quarters along the first run, 30 units out from the centre.
    const Picture withBee = frameAt(h.hour, 1.5, 0.05f);
    double expectedX, expectedY;
    projectFromBee(0, 0, expectedX, expectedY);
    const Difference d = compareFrames(withBee, frameAt(h.hour, 1.5, 0.0f));
    ASSERT_GT(d.count, 0) << "no bee pixels at all";
    EXPECT_NEAR(d.x, expectedX, 3.0);
    EXPECT_NEAR(d.y, expectedY, 3.0);
    EXPECT_NEAR(d.x - size / 2, h.dirX * 30 * pixelsPerUnit, 4.0) << "run points the wrong way";
    EXPECT_NEAR(d.y - size / 2, h.dirY * 30 * pixelsPerUnit, 4.0) << "run points the wrong way";
  }
}

namespace {
// At 12:00, 5.5 s into the dance: half-way round the right loop, at (60, 0), facing down.
const double loopElapsed = 5.5;
// The inner part of the right fore-wing, in the bee's frame.
const double wingX = 33, wingY = 14;
}  // namespace

TEST_F(Bee, WingsAreTranslucentOverTheDialAndVanishWhenSeenFromBelow) {
  const Picture withBee = frameAt(12, loopElapsed, 1.0f);
  double x, y;
  projectFromBee(wingX, wingY, x, y);
  const int px = static_cast<int>(x), py = static_cast<int>(y);
  const Rgb wing = glPixel(withBee, px, py), behind = glPixel(frameAt(12, loopElapsed, 0), px, py);
  // Half the wing colour (0.8, 0.8, 0.9) over half of what lies behind.
  EXPECT_TRUE(near(wing, (204 + behind.r) / 2, (204 + behind.g) / 2, (230 + behind.b) / 2, 16))
      << "wing " << describe(wing) << " over " << describe(behind) << " "
      << saveFrame("bee-wing", size, size);

  clockState.spinX = 180.0f;  // the scene turned over: we look at its underside, mirrored
  const Rgb seen = glPixel(frameAt(12, loopElapsed, 1.0f), px, static_cast<int>(size - y));
  EXPECT_TRUE(near(seen, 0, 0, 0, 8)) << "expected the black background, got " << describe(seen)
                                      << " " << saveFrame("bee-from-below", size, size);
}

TEST_F(Bee, AbdomenIsStripedWhenTexturedAndPlainYellowWhenNot) {
  for (bool textured : {true, false}) {
    SCOPED_TRACE(textured ? "textured" : "untextured");
    clockState.texturesLoaded = textured;
    const Picture frame = frameAt(12, loopElapsed, 1.0f);
    int dark = 0, yellow = 0;
    double x, y;
    // Along the rear half of the abdomen.
    for (double beeFrameY = -14; beeFrameY <= 2; beeFrameY += 0.5) {
      projectFromBee(0, beeFrameY, x, y);
      const Rgb p = glPixel(frame, static_cast<int>(x), static_cast<int>(y));
      dark += p.r < 90 && p.g < 90;
      yellow += p.r > 120 && p.g > 0.6 * p.r && p.b < 70;
    }
    if (textured) {
      EXPECT_GT(dark, 2) << saveFrame("abdomen-textured", size, size);
      EXPECT_GT(yellow, 2) << saveFrame("abdomen-textured", size, size);
    } else {
      EXPECT_EQ(dark, 0) << saveFrame("abdomen-plain", size, size);
    }
  }
}

// Each routine's header line, item by item, after an entry state contrary to it.
TEST_F(Bee, EachRoutineLeavesTheStateItsHeaderStates) {
  setContraryState();
  drawSphere(12, 3.0f);
  expectLeaves("drawSphere", {off(GL_LIGHTING)});

  setContraryState();
  std::vector<float> modelview = stateOf(GL_MODELVIEW_MATRIX);
  drawBee();
  expectLeaves("drawBee", {is(GL_MODELVIEW_MATRIX, modelview), on(GL_LIGHTING), off(GL_BLEND),
                           off(GL_TEXTURE_2D), is(GL_LINE_WIDTH, {2.2f}),
                           is(GL_CURRENT_COLOR, {0.1f, 0.1f, 0.1f, 1})});

  setContraryState();        // its line width stands for the bee's
  setDanceState(1.5, 3, 0);  // three quarters along a run, turned a quarter
  modelview = stateOf(GL_MODELVIEW_MATRIX);
  drawDanceLine();
  expectLeaves("drawDanceLine",
               {is(GL_MODELVIEW_MATRIX, modelview), on(GL_LIGHTING), off(GL_BLEND),
                is(GL_CURRENT_COLOR, {0.75f, 0.75f, 0.75f, 1}), is(GL_LINE_WIDTH, {3.5f})});
}

TEST_F(Bee, WithoutAQuadricTheBeeDrawsNoSpheresAndNothingFails) {
  gluDeleteQuadric(clockState.quadric);
  clockState.quadric = nullptr;
  const Picture withBee = frameAt(12, loopElapsed, 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const Difference d = compareFrames(withBee, frameAt(12, loopElapsed, 0.0f));
  EXPECT_GT(d.count, 0) << "legs and antennae are still drawn";
  EXPECT_LT(d.count, 400) << "but no spheres or wings";
}

namespace {
// Draws only the dance line for a cycle time at 12:00, on black, from the reset pose.
void drawLineAlone(double cycleTime) {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glViewport(0, 0, size, size);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, 1.0, 20.0, 10000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  applyViewingTransform();
  setDanceState(cycleTime, 0, 0);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // as every frame sets it
  glLineWidth(2.2f);
  drawDanceLine();
}

// The brightest pixel across the dance line's middle at a height of the scene.
int brightnessAt(double sceneY) {
  const Picture frame = readPicture(size, size);
  const int y = static_cast<int>(size / 2 + sceneY * pixelsPerUnit);
  int brightest = 0;
  for (int x = size / 2 - 2; x <= size / 2 + 2; ++x) {
    const Rgb p = glPixel(frame, x, y);
    brightest = std::max(brightest, p.r + p.g + p.b);
  }
  return brightest;
}
}  // namespace

TEST_F(Bee, DanceLineGrowsBehindTheRunAndFadesInTheLoop) {
  drawLineAlone(0.0);  // start of a run: zero length
  int lit = 0;
  for (const Rgb& p : readPicture(size, size).pixels) lit += p.r + p.g + p.b > 30;
  EXPECT_EQ(lit, 0) << saveFrame("line-start", size, size);

  drawLineAlone(1.5);  // three quarters of the run: from -60 up to the bee at +30
  EXPECT_GT(brightnessAt(20), 200)
      << "line reaches towards the bee's height " << saveFrame("line-run", size, size);
  EXPECT_LT(brightnessAt(40), 30) << "but not beyond it " << saveFrame("line-run", size, size);

  drawLineAlone(2.1);  // early in the left loop: the whole axis, far end nearly opaque
  const int early = brightnessAt(55);
  drawLineAlone(2.9);  // late in the loop: the far end has faded
  const int late = brightnessAt(55);
  EXPECT_GT(early, 300);
  EXPECT_LT(late, early / 3) << saveFrame("line-loop-late", size, size);
}
