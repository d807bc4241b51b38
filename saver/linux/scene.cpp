// The hack's use of the clock's scene: the same records, set-up and frame as the clock program.
#include "saver/linux/scene.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "records/state.h"
#include "scene/frame.h"
#include "scene/setup.h"

void setupSaverScene(const HackOptions& options, int width, int height) {
  clockState.showDigitalTime = options.digital;
  clockState.romanNumerals = options.roman;
  clockState.autoSpin = options.spin;
  // The fonts are made on a screen DC; there is no window of the clock's own (hwnd stays null,
  // as does the foreground window without one, so the camera keys read as never pressed).
  clockState.hdc = GetDC(nullptr);
  resizeSaverScene(width, height);
  setupScene();
}

void resizeSaverScene(int width, int height) {
  clockSettings.windowWidth = width;
  clockSettings.windowHeight = height;
}

namespace {

// Frames per second over the last whole second, in the system font's bitmap glyphs at the
// bottom left, as xscreensaver's hacks show it.
void drawFps() {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point since = Clock::now();
  static int frames = 0;
  static char text[32] = "FPS: -";
  ++frames;
  const double seconds = std::chrono::duration<double>(Clock::now() - since).count();
  if (seconds >= 1.0) {
    std::snprintf(text, sizeof text, "FPS: %.1f", frames / seconds);
    frames = 0;
    since = Clock::now();
  }
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIST_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, clockSettings.windowWidth, 0, clockSettings.windowHeight, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(1.0f, 1.0f, 1.0f);
  glRasterPos2i(10, 10);
  glListBase(clockState.bitmapFontBase);
  glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
  glPopAttrib();
}

}  // namespace

void drawSaverFrame(bool showFps) {
  renderFrame();
  // The frame sets both matrices afresh, so the overlay may leave its own behind.
  if (showFps) drawFps();
}
