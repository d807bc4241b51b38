// Window classes and windows on SDL: creation with its WM_CREATE and WM_SIZE, showing,
// focus, destruction, the client rectangle, painting and the default window procedure.
#include "platform/linux/window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <map>
#include <memory>

#include "platform/dpi.h"
#include "platform/linux/desktop_scale.h"
#include "platform/linux/failure_notes.h"
#include "platform/linux/queue.h"
#include "platform/linux/window_icon.h"
#include "platform/linux/x_link.h"
#include "platform/program_pixels.h"

namespace {

// Show commands the clock never uses but a caller may pass.
const int showHide = 0;
const int showMinimized = 2;
const int showMaximized = 3;
const int showMinimize = 6;
const int showMinNoActive = 7;

struct WindowClass {
  WNDPROC proc;
};

std::map<std::string, WindowClass>& classes() {
  static std::map<std::string, WindowClass> registered;
  return registered;
}

std::vector<std::unique_ptr<HWND__>>& records() {
  static std::vector<std::unique_ptr<HWND__>> all;
  return all;
}

std::vector<HWND>& handles() {
  static std::vector<HWND> all;
  return all;
}

bool isKnownWindow(HWND window) {
  const std::vector<HWND>& all = handles();
  return window && std::find(all.begin(), all.end(), window) != all.end();
}

// A window that may still receive messages: alive, or in the middle of its WM_DESTROY.
bool acceptsMessages(HWND window) {
  return isKnownWindow(window) && !window->destroyed;
}

// Tells the desktop, before the window is shown, that it is a program's main window: it carries
// the program's icon, and it is not transient for the root window, which SDL makes it where the
// server has no Motif hints atom yet (no window manager has run) and which some window managers
// take for a dialog of the program's.
void describeToDesktop(SDL_Window* sdl) {
  platform::XLink x;
  if (!platform::xLinkOf(sdl, x)) return;
  platform::setWindowIcon(x.display, x.window);
  Window owner = 0;
  if (XGetTransientForHint(x.display, x.window, &owner) && owner == DefaultRootWindow(x.display))
    XDeleteProperty(x.display, x.window, XA_WM_TRANSIENT_FOR);
}

// Raises the window and gives it the keyboard: without a window manager nobody else will.
void raiseAndFocus(HWND window) {
  if (!platform::isLiveWindow(window) || !window->sdl || !window->visible) return;
  SDL_RaiseWindow(window->sdl);
  SDL_SetWindowInputFocus(window->sdl);
}

}  // namespace

namespace platform {

bool ensureVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  // A clock is a well-behaved desktop citizen: signals keep their default action, the
  // screensaver may run, and the mouse is not captured outside the window during a drag.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Nor is it a full-screen game: the compositor goes on compositing while it is shown.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The clock is an X11 program (XWayland serves it on Wayland desktops): SDL tries no other
  // driver, so it neither probes Wayland nor falls back to one that shows nothing. A driver
  // named in SDL_VIDEODRIVER still wins, as the tests' dummy one does.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool isLiveWindow(HWND window) {
  return isKnownWindow(window) && !window->destroying;
}

HWND windowFromSdlId(Uint32 sdlId) {
  if (sdlId == 0) return nullptr;
  for (HWND window : handles())
    if (window->sdl && window->sdlId == sdlId && !window->destroyed) return window;
  return nullptr;
}

HWND windowFromSdl(SDL_Window* sdl) {
  if (!sdl) return nullptr;
  for (HWND window : handles())
    if (window->sdl == sdl && !window->destroyed) return window;
  return nullptr;
}

const std::vector<HWND>& allWindows() {
  return handles();
}

SDL_Window* createSdlWindow(HWND window, Uint32 extraFlags) {
  // The client area where the frame, at the window's scale, leaves it.
  const RECT frame = windowFrame(0, windowDpi(window));
  const int x = window ? window->outerX + frame.left : SDL_WINDOWPOS_UNDEFINED;
  const int y = window ? window->outerY + frame.top : SDL_WINDOWPOS_UNDEFINED;
  const int width = window ? std::max(1, window->clientWidth) : 1;
  const int height = window ? std::max(1, window->clientHeight) : 1;
  const char* title = window ? window->title.c_str() : "";
  return SDL_CreateWindow(title, x, y, width, height,
                          SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | extraFlags);
}

void adoptSdlWindow(HWND window, SDL_Window* sdl) {
  if (window->sdl) SDL_DestroyWindow(window->sdl);
  window->sdl = sdl;
  window->sdlId = SDL_GetWindowID(sdl);
  describeToDesktop(sdl);
  if (window->visible) SDL_ShowWindow(sdl);
}

LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!acceptsMessages(window) || !window->proc) return 0;
  return window->proc(window, message, wParam, lParam);
}

void tellWindowsTheScale() {
  const int dpi = desktopDpi();
  for (HWND window : handles()) {
    if (!isLiveWindow(window) || window->dpi == dpi) continue;
    // Where Windows would put the window: the same corner, the client area grown or shrunk by
    // the change, in the frame of the new scale.
    const int width = rescalePixels(window->clientWidth, window->dpi, dpi);
    const int height = rescalePixels(window->clientHeight, window->dpi, dpi);
    const RECT frame = windowFrame(0, dpi);
    RECT suggested = {window->outerX, window->outerY,
                      window->outerX + frame.left + width + frame.right,
                      window->outerY + frame.top + height + frame.bottom};
    window->dpi = dpi;
    callProcedure(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                  reinterpret_cast<LPARAM>(&suggested));
  }
}

void reportSize(HWND window, WPARAM kind, int width, int height, Delivery delivery) {
  window->reportedWidth = width;
  window->reportedHeight = height;
  if (delivery == Delivery::send)
    callProcedure(window, WM_SIZE, kind, MAKELPARAM(width, height));
  else
    postMessage(window, WM_SIZE, kind, MAKELPARAM(width, height));
}

}  // namespace platform

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  static ATOM nextAtom = 0xC000;  // where Windows numbers registered classes from
  if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName ||
      !windowClass->lpfnWndProc)
    return 0;
  const bool added =
      classes().emplace(windowClass->lpszClassName, WindowClass{windowClass->lpfnWndProc}).second;
  return added ? nextAtom++ : 0;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) {
  // SDL's default cursor is the arrow; the handle only has to be a real one.
  static int arrow;
  return &arrow;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
  if (!className) return nullptr;
  const auto found = classes().find(className);
  if (found == classes().end()) return nullptr;
  if (!platform::ensureVideo()) {
    platform::noteNoDisplay();
    return nullptr;
  }
  platform::readDesktopScale();

  records().push_back(std::make_unique<HWND__>());
  HWND window = records().back().get();
  handles().push_back(window);
  window->proc = found->second.proc;
  window->title = title ? title : "";
  window->outerX = x;
  window->outerY = y;
  window->dpi = platform::desktopDpi();
  // The size given is the outer one; the client area is what the frame leaves.
  const RECT frame = windowFrame(0, window->dpi);
  window->clientWidth = std::max(0, width - frame.left - frame.right);
  window->clientHeight = std::max(0, height - frame.top - frame.bottom);
  window->dc.window = window;

  // Sent inside creation, as Windows does; the procedure may destroy the window here.
  const LRESULT created = window->proc(window, WM_CREATE, 0, 0);
  if (created == -1 && !window->destroyed) DestroyWindow(window);
  if (window->destroyed) return nullptr;
  platform::reportSize(window, SIZE_RESTORED, window->clientWidth, window->clientHeight,
                       platform::Delivery::send);
  return window->destroyed ? nullptr : window;
}

BOOL ShowWindow(HWND window, int showCommand) {
  if (!platform::isLiveWindow(window)) return FALSE;
  const BOOL wasVisible = window->visible ? TRUE : FALSE;
  if (showCommand == showHide) {
    if (window->sdl) SDL_HideWindow(window->sdl);
    window->visible = false;
    return wasVisible;
  }
  // A window nobody asked a pixel format for still gets a (plain) SDL window to show.
  if (!window->sdl) {
    SDL_Window* sdl = platform::createSdlWindow(window, 0);
    if (!sdl) return wasVisible;
    platform::adoptSdlWindow(window, sdl);
  }
  window->visible = true;
  window->needsPaint = true;
  SDL_ShowWindow(window->sdl);
  if (showCommand == showMinimized || showCommand == showMinimize || showCommand == showMinNoActive)
    SDL_MinimizeWindow(window->sdl);
  else if (showCommand == showMaximized)
    SDL_MaximizeWindow(window->sdl);
  return wasVisible;
}

BOOL UpdateWindow(HWND window) {
  if (!platform::isLiveWindow(window)) return FALSE;
  if (window->visible && window->needsPaint && !window->minimized) {
    platform::callProcedure(window, WM_PAINT, 0, 0);
    window->needsPaint = false;
  }
  return TRUE;
}

HWND SetFocus(HWND window) {
  HWND previous = GetForegroundWindow();
  raiseAndFocus(window);
  return previous;
}

HWND SetActiveWindow(HWND window) {
  HWND previous = GetForegroundWindow();
  raiseAndFocus(window);
  return previous;
}

BOOL DestroyWindow(HWND window) {
  if (!platform::isLiveWindow(window)) return FALSE;
  window->destroying = true;
  platform::callProcedure(window, WM_DESTROY, 0, 0);
  platform::forgetWindow(window);
  if (window->sdl) {
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
  }
  window->visible = false;
  window->destroyed = true;
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!acceptsMessages(window) || !rect) return FALSE;
  rect->left = 0;
  rect->top = 0;
  rect->right = window->minimized ? 0 : window->clientWidth;
  rect->bottom = window->minimized ? 0 : window->clientHeight;
  return TRUE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  if (!platform::isLiveWindow(window)) return FALSE;
  const RECT frame = windowFrame(0, windowDpi(window));
  if (!(flags & SWP_NOMOVE)) {
    window->outerX = x;
    window->outerY = y;
    if (window->sdl) SDL_SetWindowPosition(window->sdl, x + frame.left, y + frame.top);
  }
  if (!(flags & SWP_NOSIZE)) {
    window->clientWidth = std::max(0, width - frame.left - frame.right);
    window->clientHeight = std::max(0, height - frame.top - frame.bottom);
    if (window->sdl)
      SDL_SetWindowSize(window->sdl, std::max(1, window->clientWidth),
                        std::max(1, window->clientHeight));
    // Sent before the call returns, as Windows sends it.
    if (!window->minimized && (window->clientWidth != window->reportedWidth ||
                               window->clientHeight != window->reportedHeight))
      platform::reportSize(window, SIZE_RESTORED, window->clientWidth, window->clientHeight,
                           platform::Delivery::send);
  }
  return TRUE;
}

HWND GetForegroundWindow() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  return platform::windowFromSdl(SDL_GetKeyboardFocus());
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return platform::callProcedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT:
      if (isKnownWindow(window)) window->needsPaint = false;  // validated, as BeginPaint does
      return 0;
  }
  return 0;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  if (!acceptsMessages(window) || !paint) return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = &window->dc;
  GetClientRect(window, &paint->rcPaint);
  window->needsPaint = false;
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
  return TRUE;
}
