// One frame: camera input, clears, baseline state, projection, lights, viewing transform,
// then the scene's drawing routines in their fixed order.
#include "scene/frame.h"

#include "bee/bee.h"
#include "bee/dance_line.h"
#include "records/state.h"
#include "render/camera.h"
#include "render/lights.h"
#include "text/face.h"
#include "text/overlays.h"

#ifdef WAGGLER_CHECK_GL
#include <cstdio>
#endif

namespace {
#ifdef WAGGLER_CHECK_GL
// Checked builds name the routine after which the first GL error showed up.
void checkGL(const char* routine) {
  static bool reported = false;
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR || reported) return;
  std::fprintf(stderr, "waggler: GL error 0x%04X after %s\n", error, routine);
  reported = true;
}
#else
inline void checkGL(const char*) {}
#endif
}  // namespace

void renderFrame() {
  advanceFrame();
  drawFrame();
}

void advanceFrame() {
  if (GetForegroundWindow() == clockState.hwnd) pollCameraKeys();
  advanceAutoSpin();
}

void drawFrame() {
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  const float* clear = clockSettings.clearColour;
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glClear(GL_COLOR_BUFFER_BIT);

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDisable(GL_STENCIL_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A minimised window reports 0 by 0; any finite aspect will do for an empty viewport.
  const double aspect = clockSettings.windowHeight > 0
                            ? static_cast<double>(clockSettings.windowWidth) /
                                  static_cast<double>(clockSettings.windowHeight)
                            : 1.0;
  gluPerspective(45.0, aspect, 20.0, 10000.0);
  glViewport(clockSettings.viewportX, clockSettings.viewportY, clockSettings.windowWidth,
             clockSettings.windowHeight);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  setupLights();
  applyViewingTransform();
  checkGL("the frame set-up");

  drawFace();
  checkGL("drawFace");
  drawBee();
  checkGL("drawBee");
  if (clockSettings.showDanceLine) drawDanceLine();
  checkGL("drawDanceLine");
  if (clockState.showDigitalTime) drawDigitalTime();
  checkGL("drawDigitalTime");
  drawCredit();
  checkGL("drawCredit");
}
