// The screensaver's window procedure around the clock's own routines: the same GL context and
// scene set-up on creation and the same frame per tick, and none of the clock's keys or mouse.
// Full screen, any input of the user's ends it; the preview takes no input at all.
//
// Full screen is one popup across the virtual screen rather than one per monitor: the clock's
// records hold one window, one device context and one GL context. It draws the whole scene once
// per monitor, in a view of that monitor's size, so no bezel cuts the dial; the slow turn
// advances once per tick, and every monitor shows the same moment.
#include "saver/windows/saver_window.h"

#include <cstdlib>
#include <vector>

#include "platform/windows/dpi_awareness.h"
#include "records/state.h"
#include "saver/monitor_layout.h"
#include "saver/windows/resource_ids.h"
#include "scene/scene_window.h"

namespace {
const char* const sceneClassName = "WagglerScreensaver";
// How far the pointer may wander from where it stood before the screensaver ends: a table's
// tremor must not wake the screen.
const int mouseSlack = 4;

bool fullScreen = false;
bool ending = false;  // destroying the window deactivates it: end once
POINT pointerStart = {};
HWND previewParent = nullptr;
std::vector<SceneView> monitorViewsNow;  // full screen: where each monitor's view lies

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back(
        {r.left, r.top, r.right, r.bottom, monitorDpi(monitor, 0)});
  }
  return TRUE;
}

// The monitors as they stand now, and the views of them in the window's client area.
void takeMonitorViews(HWND window) {
  std::vector<ScreenRect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  monitorViewsNow = monitorViews(
      monitors, {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

// The virtual screen: every monitor, with per-monitor DPI awareness (the manifest) in their
// real pixels.
RECT virtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// The choices the dialog stores are the same bytes the clock's keys flip.
void applySettings(const SaverSettings& settings) {
  clockState.showDigitalTime = settings.showDigitalTime;
  clockState.romanNumerals = settings.romanNumerals;
  clockState.autoSpin = settings.slowTurn;
}

bool pointerMovedAway(HWND window, LPARAM lParam) {
  POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ClientToScreen(window, &at);
  return std::abs(at.x - pointerStart.x) > mouseSlack ||
         std::abs(at.y - pointerStart.y) > mouseSlack;
}

// Full screen only: what tells the screensaver that the user is back.
bool userIsBack(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_MOUSEWHEEL: return true;
    case WM_MOUSEMOVE: return pointerMovedAway(window, lParam);
    case WM_ACTIVATEAPP: return wParam == FALSE;
  }
  return false;
}

LRESULT CALLBACK sceneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (fullScreen && !ending && userIsBack(window, message, wParam, lParam)) {
    ending = true;
    DestroyWindow(window);
    return 0;
  }
  switch (message) {
    case WM_CREATE: openSceneWindow(window); return 0;
    case WM_SIZE:
      takeSceneSize(lParam);
      if (fullScreen) takeMonitorViews(window);
      return 0;
    case WM_DPICHANGED:
      // Full screen keeps covering every monitor: only the scale is taken.
      rescaleSceneWindow(window, wParam, fullScreen ? 0 : lParam);
      return 0;
    case WM_DISPLAYCHANGE:
      // Monitors added, removed or moved: cover them all again, each with its own view.
      if (fullScreen) {
        const RECT screen = virtualScreen();
        SetWindowPos(window, nullptr, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE);
        takeMonitorViews(window);
      }
      return 0;
    case WM_PAINT: paintSceneWindow(window); return 0;
    case WM_ERASEBKGND: return 1;  // the frame covers it all; erasing would flicker
    case WM_TIMER:
      // The panel may go without destroying its children first.
      if (previewParent && !IsWindow(previewParent)) {
        DestroyWindow(window);
        return 0;
      }
      if (fullScreen)
        drawSceneViews(monitorViewsNow);
      else
        drawSceneFrame();
      return 0;
    case WM_SETCURSOR:
      if (!fullScreen) break;
      SetCursor(nullptr);
      return TRUE;
    case WM_SYSCOMMAND:
      // Already running: Windows need not start us again.
      if (fullScreen && (wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_DESTROY: closeSceneWindow(window, 0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

void registerSceneClass(HINSTANCE instance) {
  WNDCLASSEXA sceneClass = {};
  sceneClass.cbSize = sizeof sceneClass;
  sceneClass.style = CS_HREDRAW | CS_VREDRAW;
  sceneClass.lpfnWndProc = sceneProc;
  sceneClass.hInstance = instance;
  sceneClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
  sceneClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  sceneClass.lpszClassName = sceneClassName;
  RegisterClassExA(&sceneClass);
}

bool createFullScreenWindow(HINSTANCE instance, const SaverSettings& settings) {
  applySettings(settings);
  fullScreen = true;
  GetCursorPos(&pointerStart);
  const RECT screen = virtualScreen();
  HWND window = CreateWindowExA(WS_EX_TOPMOST, sceneClassName, "Waggler",
                                WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, screen.left,
                                screen.top, screen.right - screen.left, screen.bottom - screen.top,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  clockState.hwnd = window;
  SetForegroundWindow(window);
  SetFocus(window);
  ShowCursor(FALSE);
  return true;
}

bool createPreviewWindow(HINSTANCE instance, HWND parent, const SaverSettings& settings) {
  applySettings(settings);
  previewParent = parent;
  RECT area = {};
  GetClientRect(parent, &area);
  // In the panel's awareness, and so its pixels: the rectangle just read is in them.
  const AwarenessOf panelAwareness(parent);
  // Disabled, so the panel keeps every click and key.
  HWND window = CreateWindowExA(
      0, sceneClassName, "Waggler", WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS, 0, 0,
      area.right - area.left, area.bottom - area.top, parent, nullptr, instance, nullptr);
  if (!window) return false;
  clockState.hwnd = window;
  return true;
}
