// The pixel format and GL context of the window, and the GL state that holds for the whole run.
#include "render/context.h"

#include "app/state.h"
#include "render/camera.h"
#include "render/textures.h"
#include "text/fonts.h"

HGLRC createGLContext(HWND window, HDC dc) {
  PIXELFORMATDESCRIPTOR request = {};
  request.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 16;
  request.cDepthBits = 32;
  request.cStencilBits = 8;
  request.iLayerType = PFD_MAIN_PLANE;

  // A failed step destroys the window but the later steps are still tried; the
  // caller learns of the failure from window creation returning no window.
  const int format = ChoosePixelFormat(dc, &request);
  if (format == 0) DestroyWindow(window);
  if (!SetPixelFormat(dc, format, &request)) DestroyWindow(window);
  HGLRC context = wglCreateContext(dc);
  if (!context) DestroyWindow(window);
  return context;
}

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
