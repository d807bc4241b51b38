// The one-time scene set-up, run inside window creation: the client size, the context made
// current, the GL state that holds for the whole run, fonts, textures, quadric and camera.
#include "scene/setup.h"

#include "records/state.h"
#include "render/camera.h"
#include "render/textures.h"
#include "text/fonts.h"

void initScene(HWND window, HGLRC context) {
  RECT client = {};
  GetClientRect(window, &client);
  clockSettings.windowWidth = client.right - client.left;
  clockSettings.windowHeight = client.bottom - client.top;

  wglMakeCurrent(clockState.hdc, context);
  setupScene();
}

void setupScene() {
  glShadeModel(GL_SMOOTH);
  glEnable(GL_AUTO_NORMAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_POINT_SMOOTH);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glDepthMask(GL_TRUE);

  setupFonts();
  if (loadTextures()) {
    clockState.texturesLoaded = true;
  } else {
    MessageBoxA(clockState.hwnd, "Could not load in texture maps", "No textures!", MB_OK);
    clockState.texturesLoaded = false;
  }
  clockState.quadric = gluNewQuadric();
  resetCamera();
}
