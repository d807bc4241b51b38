// The camera and the scene's spin: every input that moves them, and the viewing transform.
#include "render/camera.h"

#include <cmath>

#include "records/state.h"

namespace {
const float degreesToRadians = 0.017453292f;  // single precision, as the camera has always used
const float keyDollyStep = 10.0f;
const float wheelStep = 5.0f;
const unsigned wheelBackwardThreshold = 10000;
const float orbitGain = 0.2f;  // degrees per pixel
const float autoSpinX = 0.26666662f;
const float autoSpinY = 0.0855142f;

bool keyDown(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// The same rotation within one turn: unbounded single-precision angles lose their small
// steps after days of auto-spin, and the spin would slow and then stop.
float withinOneTurn(float degrees) {
  return std::fmod(degrees, 360.0f);
}

float dollyFactor() {
  float factor = 1.0f;
  if (keyDown(VK_SHIFT)) factor = 0.1f;
  if (keyDown(VK_CONTROL)) factor = 5.0f;  // Control wins over Shift
  return factor;
}
}  // namespace

void resetCamera() {
  clockState.eyeX = 0.0f;
  clockState.eyeY = 0.0f;
  clockState.eyeZ = 500.0f;
  clockState.eyePitch = 0.0f;
  clockState.eyeHeading = 0.0f;
  clockState.spinX = 0.0f;
  clockState.spinY = 0.0f;
}

void dollyCamera(float distance) {
  const float h = clockState.eyeHeading * degreesToRadians;
  const float p = clockState.eyePitch * degreesToRadians;
  clockState.eyeX += distance * std::sin(h) * std::cos(p);
  clockState.eyeY -= distance * std::sin(p);
  clockState.eyeZ -= distance * std::cos(h) * std::cos(p);
}

void pollCameraKeys() {
  if (keyDown(VK_OEM_PERIOD)) dollyCamera(keyDollyStep * dollyFactor());
  if (keyDown(VK_OEM_COMMA)) dollyCamera(-keyDollyStep * dollyFactor());
}

void advanceAutoSpin() {
  if (!clockState.autoSpin) return;
  clockState.spinX = withinOneTurn(clockState.spinX + autoSpinX);
  clockState.spinY = withinOneTurn(clockState.spinY + autoSpinY);
}

void applyViewingTransform() {
  glRotatef(clockState.eyePitch, 1.0f, 0.0f, 0.0f);
  glRotatef(clockState.eyeHeading, 0.0f, 1.0f, 0.0f);
  glTranslatef(-clockState.eyeX, -clockState.eyeY, -clockState.eyeZ);
  glRotatef(clockState.spinX, 1.0f, 0.0f, 0.0f);
  glRotatef(clockState.spinY, 0.0f, 1.0f, 0.0f);
}

void onRightButtonDown(int x, int y) {
  clockState.lastMouseX = x;
  clockState.lastMouseY = y;
  clockState.rightDragging = true;
}

void onRightButtonUp() {
  clockState.rightDragging = false;
}

void onMouseMove(int x, int y) {
  if (clockState.rightDragging) {
    clockState.spinX =
        withinOneTurn(clockState.spinX + static_cast<float>(y - clockState.lastMouseY) * orbitGain);
    clockState.spinY =
        withinOneTurn(clockState.spinY + static_cast<float>(x - clockState.lastMouseX) * orbitGain);
  }
  clockState.lastMouseX = x;
  clockState.lastMouseY = y;
}

void onMouseWheel(unsigned delta) {
  const float step = delta < wheelBackwardThreshold ? wheelStep : -wheelStep;
  dollyCamera(10.0f * step);
}
