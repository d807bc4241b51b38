// Windows: the calls the other topics make on windows (window.cpp), and the records behind
// HWND and HDC. Included by the stand-in's files that use windows or device contexts, and by
// the layer's tests.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/linux/window_record.h"
#include "platform/win32.h"

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
// Tells every window whose scale is not the desktop's now of the change, with WM_DPICHANGED and
// the rectangle Windows would suggest, as Windows tells a program aware of the scale.
void tellWindowsTheScale();

}  // namespace platform
