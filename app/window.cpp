// The main window's class, its creation, and the window procedure that runs its life:
// set-up on creation, a frame per tick, the quit question, and tear-down.
#include "app/window.h"

#include <cstdint>

#include "app/keys.h"
#include "platform/dpi.h"
#include "platform/program_pixels.h"
#include "records/state.h"
#include "render/camera.h"
#include "scene/scene_window.h"

namespace {
const int quitExitCode = 2;
const DWORD mainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Where the scale is not 96, the window asked for is made as on a 96-dpi screen and then scaled:
// its corner and client area grown by dpi / 96, in the frame the system gives a window at that
// scale, so that the clock looks as it does at 100 %, drawn at the display's own resolution.
void fitToScale(HWND window, int outerWidth, int outerHeight) {
  const int dpi = windowDpi(window);
  if (dpi == baseDpi) return;
  const RECT unscaled = windowFrame(mainWindowStyle, baseDpi);
  const RECT frame = windowFrame(mainWindowStyle, dpi);
  const int clientWidth = toPhysicalPixels(outerWidth - unscaled.left - unscaled.right, dpi);
  const int clientHeight = toPhysicalPixels(outerHeight - unscaled.top - unscaled.bottom, dpi);
  SetWindowPos(window, nullptr, toPhysicalPixels(clockSettings.windowX, dpi),
               toPhysicalPixels(clockSettings.windowY, dpi), frame.left + clientWidth + frame.right,
               frame.top + clientHeight + frame.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A mouse message's point, in program pixels.
int programX(LPARAM lParam) {
  return toProgramPixels(LOWORD(lParam), clockSettings.dpi);
}
int programY(LPARAM lParam) {
  return toProgramPixels(HIWORD(lParam), clockSettings.dpi);
}
}  // namespace

void registerWindowClass() {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = clockState.hinstance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground =
      reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = windowClassName;
  RegisterClassExA(&windowClass);
}

bool createMainWindow(HINSTANCE instance, int showCommand) {
  // The creation overwrites the size asked for with the client area's.
  const int outerWidth = clockSettings.windowWidth, outerHeight = clockSettings.windowHeight;
  HWND window = CreateWindowExA(0, windowClassName, windowTitle, mainWindowStyle,
                                clockSettings.windowX, clockSettings.windowY, outerWidth,
                                outerHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  fitToScale(window, outerWidth, outerHeight);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  // Stored only now, so boxes raised during creation have no owner.
  clockState.hwnd = window;
  SetFocus(clockState.hwnd);
  SetActiveWindow(clockState.hwnd);
  return true;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: openSceneWindow(window); return 1;
    case WM_SIZE: takeSceneSize(lParam); return 0;
    case WM_DPICHANGED: rescaleSceneWindow(window, wParam, lParam); return 0;
    case WM_PAINT: paintSceneWindow(window); return 0;
    case WM_TIMER: drawSceneFrame(); return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        if (MessageBoxA(clockState.hwnd, "Really Quit?", "Quit Program", MB_YESNO) == IDYES)
          DestroyWindow(window);
        return 1;
      }
      break;
    case WM_KEYUP: handleKeyUp(static_cast<unsigned>(wParam)); return 0;
    case WM_RBUTTONDOWN: onRightButtonDown(programX(lParam), programY(lParam)); return 0;
    case WM_RBUTTONUP: onRightButtonUp(); return 0;
    case WM_MOUSEMOVE: onMouseMove(programX(lParam), programY(lParam)); return 0;
    case WM_MOUSEWHEEL: onMouseWheel(HIWORD(wParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return 0;
    case WM_DESTROY: closeSceneWindow(window, quitExitCode); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
