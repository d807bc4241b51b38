// Windows: the records behind HWND and HDC, and the calls the other topics make on windows
// (window.cpp). Included by the stand-in's files that use windows or device contexts, and by
// the layer's tests.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/linux/window_frame.h"
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
  int clientWidth = 0, clientHeight = 0;  // in the program's pixels (platform::toScreenPixels)
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

namespace platform {

// Starts SDL's video once (false when there is no display).
bool ensureVideo();
// True for a window record that exists and has not been destroyed.
bool isLiveWindow(HWND window);
// The window record behind an SDL window, or null.
HWND windowFromSdlId(Uint32 sdlId);
HWND windowFromSdl(SDL_Window* sdl);
// Every window record ever made (records outlive destruction, as handles may be reused).
const std::vector<HWND>& allWindows();
// A hidden SDL window at the window's client position and size, with extra flags.
SDL_Window* createSdlWindow(HWND window, Uint32 extraFlags);
// Makes sdl the window's SDL window, replacing (and destroying) a previous one.
void adoptSdlWindow(HWND window, SDL_Window* sdl);
// Calls the window procedure, as SendMessageA does, queue bypassed.
LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Tells the window its client size (kind: SIZE_RESTORED, SIZE_MINIMIZED...) with WM_SIZE,
// sent at once or queued, and notes the size so the same one is not reported twice.
enum class Delivery { send, post };
void reportSize(HWND window, WPARAM kind, int width, int height, Delivery delivery);

}  // namespace platform
