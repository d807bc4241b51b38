// The camera: reset, dolly, polled keys, automatic spin, mouse orbit and wheel, and the
// viewing transform that turns them into the modelview matrix.
#pragma once

void resetCamera();
void dollyCamera(float distance);
void pollCameraKeys();
void advanceAutoSpin();
void applyViewingTransform();
void onRightButtonDown(int x, int y);
void onRightButtonUp();
void onMouseMove(int x, int y);
void onMouseWheel(unsigned delta);
