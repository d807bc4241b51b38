// The pixel format and GL context of the window.
#include "render/context.h"

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
