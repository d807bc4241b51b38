// Camera arithmetic from the reset pose: dolly, wheel, orbit and automatic spin.
#include "render/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "records/state.h"

class Camera : public ::testing::Test {
 protected:
  void SetUp() override {
    clockState = ClockState();
    resetCamera();
  }
};

TEST_F(Camera, DollyMovesAlongTheViewDirection) {
  dollyCamera(10.0f);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 490.0f);
  EXPECT_FLOAT_EQ(clockState.eyeX, 0.0f);
  dollyCamera(-25.0f);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 515.0f);

  clockState.eyeHeading = 90.0f;  // looking along +x
  dollyCamera(10.0f);
  EXPECT_NEAR(clockState.eyeX, 10.0f, 1e-4);
  EXPECT_NEAR(clockState.eyeZ, 515.0f, 1e-3);

  resetCamera();
  clockState.eyePitch = 90.0f;  // looking down -y
  dollyCamera(10.0f);
  EXPECT_NEAR(clockState.eyeY, -10.0f, 1e-4);
}

TEST_F(Camera, EachWheelMessageMoves50UnitsWhateverItsSizeAndNothingClamps) {
  onMouseWheel(120);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 450.0f);
  onMouseWheel(0);  // zero counts as forward
  EXPECT_FLOAT_EQ(clockState.eyeZ, 400.0f);
  onMouseWheel(9999);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 350.0f);
  onMouseWheel(10000);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 400.0f);
  onMouseWheel(static_cast<unsigned short>(-120));
  EXPECT_FLOAT_EQ(clockState.eyeZ, 450.0f);
  onMouseWheel(static_cast<unsigned short>(-360));
  EXPECT_FLOAT_EQ(clockState.eyeZ, 500.0f);
  for (int i = 0; i < 10; ++i) onMouseWheel(120);
  EXPECT_FLOAT_EQ(clockState.eyeZ, 0.0f) << "ten notches reach the face";
  onMouseWheel(120);
  EXPECT_FLOAT_EQ(clockState.eyeZ, -50.0f);
}

TEST_F(Camera, RightDragTurnsTheScene02DegreesPerPixel) {
  onMouseMove(10, 10);  // without the button: only recorded
  EXPECT_EQ(clockState.spinX, 0.0f);
  onRightButtonDown(100, 100);
  EXPECT_TRUE(clockState.rightDragging);
  onMouseMove(110, 130);  // first move counts from the press point
  EXPECT_FLOAT_EQ(clockState.spinX, 6.0f);
  EXPECT_FLOAT_EQ(clockState.spinY, 2.0f);
  onMouseMove(100, 120);  // back: differences are signed
  EXPECT_FLOAT_EQ(clockState.spinX, 4.0f);
  EXPECT_FLOAT_EQ(clockState.spinY, 0.0f);
  onRightButtonUp();
  EXPECT_FALSE(clockState.rightDragging);
  onMouseMove(300, 300);
  EXPECT_FLOAT_EQ(clockState.spinX, 4.0f);
  EXPECT_EQ(clockState.lastMouseX, 300);
  EXPECT_EQ(clockState.lastMouseY, 300);
}

// Each step, read as the turn it makes (modulo one turn).
double stepBetween(float before, float after) {
  double step = std::fmod(static_cast<double>(after) - before, 360.0);
  return step < -180.0 ? step + 360.0 : step;
}

TEST_F(Camera, AutomaticSpinStaysWithinOneTurnAndKeepsItsStepAfterAWeek) {
  advanceAutoSpin();
  EXPECT_EQ(clockState.spinX, 0.0f) << "no spin while the option is off";
  clockState.autoSpin = true;
  advanceAutoSpin();
  const float firstX = clockState.spinX, firstY = clockState.spinY;
  const long ticksInAWeek = 7L * 24 * 3600 * 50;  // 20 ms ticks
  for (long i = 1; i < ticksInAWeek; ++i) advanceAutoSpin();
  for (float angle : {clockState.spinX, clockState.spinY}) {
    EXPECT_GT(angle, -360.0f);
    EXPECT_LT(angle, 360.0f);
  }
  const float beforeX = clockState.spinX, beforeY = clockState.spinY;
  advanceAutoSpin();
  EXPECT_NEAR(stepBetween(beforeX, clockState.spinX), firstX, 1e-4) << "after a week";
  EXPECT_NEAR(stepBetween(beforeY, clockState.spinY), firstY, 1e-4) << "after a week";
}

TEST_F(Camera, LongRightDragsStayWithinOneTurn) {
  onRightButtonDown(0, 0);
  onMouseMove(2000, -2000);  // 400 degrees each way
  EXPECT_FLOAT_EQ(clockState.spinY, 40.0f);
  EXPECT_FLOAT_EQ(clockState.spinX, -40.0f);
}
