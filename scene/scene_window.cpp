// The window-procedure steps shared by every window that shows the scene.
#include "scene/scene_window.h"

#include "platform/dpi.h"
#include "platform/wallclock.h"
#include "records/state.h"
#include "render/context.h"
#include "scene/frame.h"
#include "scene/setup.h"
#include "text/fonts.h"

namespace {
const UINT_PTR frameTimer = 1;
const UINT framePeriodMs = 20;

// The wall clock as the tick read it, for every view of that tick.
WallClock tickTime = {};
WallClock readTickTime() {
  return tickTime;
}

// One view's share of the tick: its clears kept inside it, its size for the projection and the
// text placement.
void drawView(const SceneView& view, int windowDpi) {
  glScissor(view.x, view.y, view.width, view.height);
  clockSettings.viewportX = view.x;
  clockSettings.viewportY = view.y;
  clockSettings.windowWidth = view.width;
  clockSettings.windowHeight = view.height;
  clockSettings.dpi = view.dpi > 0 ? view.dpi : windowDpi;
  useBitmapGlyphsAt(clockSettings.dpi);
  drawFrame();
}
}  // namespace

void openSceneWindow(HWND window) {
  // Known before the set-up, which makes the credit line's glyphs at it.
  clockSettings.dpi = windowDpi(window);
  clockState.hdc = GetDC(window);
  clockState.hglrc = createGLContext(window, clockState.hdc);
  initScene(window, clockState.hglrc);
  SetTimer(window, frameTimer, framePeriodMs, nullptr);
}

void takeSceneSize(LPARAM lParam) {
  clockSettings.windowWidth = LOWORD(lParam);
  clockSettings.windowHeight = HIWORD(lParam);
}

void rescaleSceneWindow(HWND window, WPARAM wParam, LPARAM lParam) {
  clockSettings.dpi = HIWORD(wParam);
  useBitmapGlyphsAt(clockSettings.dpi);
  // Where Windows suggests: the client area scaled, in a frame of the new scale. Its WM_SIZE
  // follows within the call.
  if (const RECT* suggested = reinterpret_cast<const RECT*>(lParam))
    SetWindowPos(window, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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

void drawSceneViews(const std::vector<SceneView>& views) {
  advanceFrame();
  const int width = clockSettings.windowWidth, height = clockSettings.windowHeight;
  const int dpi = clockSettings.dpi;
  WallClock (*const wallClock)() = readWallClock;
  tickTime = readWallClock();
  readWallClock = readTickTime;
  // Parts of the window outside every monitor are never shown, but are cleared all the same.
  if (views.size() > 1) {
    const float* clear = clockSettings.clearColour;
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glEnable(GL_SCISSOR_TEST);
  for (const SceneView& view : views) drawView(view, dpi);
  glDisable(GL_SCISSOR_TEST);
  readWallClock = wallClock;
  clockSettings.viewportX = clockSettings.viewportY = 0;
  clockSettings.windowWidth = width;
  clockSettings.windowHeight = height;
  clockSettings.dpi = dpi;
  useBitmapGlyphsAt(dpi);
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
