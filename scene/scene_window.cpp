// The window-procedure steps shared by every window that shows the scene.
#include "scene/scene_window.h"

#include "records/state.h"
#include "render/context.h"
#include "scene/frame.h"
#include "scene/setup.h"

namespace {
const UINT_PTR frameTimer = 1;
const UINT framePeriodMs = 20;
}  // namespace

void openSceneWindow(HWND window) {
  clockState.hdc = GetDC(window);
  clockState.hglrc = createGLContext(window, clockState.hdc);
  initScene(window, clockState.hglrc);
  SetTimer(window, frameTimer, framePeriodMs, nullptr);
}

void takeSceneSize(LPARAM lParam) {
  clockSettings.windowWidth = LOWORD(lParam);
  clockSettings.windowHeight = HIWORD(lParam);
}

void paintSceneWindow(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}

void drawSceneFrame() {
  renderFrame();
  glFlush();
  SwapBuffers(clockState.hdc);
}

void closeSceneWindow(HWND window, int exitCode) {
  ReleaseDC(window, clockState.hdc);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(clockState.hglrc);
  KillTimer(window, frameTimer);
  PostQuitMessage(exitCode);
}
