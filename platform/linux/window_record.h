// The records behind HWND and HDC: what the stand-in knows of a window and its device context.
// Apart from window.h, so that the queue below the windows can read a window's state.
#pragma once

#include <SDL.h>

#include <string>

#include "platform/win32.h"

// A device context: of one window, or of the screen (GetDC(nullptr)).
struct HDC__ {
  HWND window = nullptr;
  HGDIOBJ font = nullptr;  // the selected font; null means the stock system font
};

// A window: the class procedure, its geometry, and the SDL window once a pixel format
// (or ShowWindow) has called for one.
struct HWND__ {
  WNDPROC proc = nullptr;
  std::string title;
  int outerX = 0, outerY = 0;             // as the program gave them
  int clientWidth = 0, clientHeight = 0;  // the screen's pixels, as the program asked them
  int dpi = 0;  // the scale its sizes are at; a change of the desktop's is told it (WM_DPICHANGED)
  SDL_Window* sdl = nullptr;
  Uint32 sdlId = 0;
  int pixelFormat = 0;  // 1-based index into the formats we try; 0 while none is chosen
  bool formatSet = false;
  bool visible = false;
  bool minimized = false;
  bool needsPaint = true;
  bool destroying = false;
  bool destroyed = false;
  int reportedWidth = -1, reportedHeight = -1;  // the size the last WM_SIZE carried
  HDC__ dc;
};
