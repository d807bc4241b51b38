// The main window's class, its creation, and the window procedure that runs its life:
// set-up on creation, a frame per tick, the quit question, and tear-down.
#include "app/window.h"

#include <cstdint>

#include "app/keys.h"
#include "records/state.h"
#include "render/camera.h"
#include "scene/scene_window.h"

namespace {
const int quitExitCode = 2;
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
  HWND window = CreateWindowExA(
      0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
      clockSettings.windowX, clockSettings.windowY, clockSettings.windowWidth,
      clockSettings.windowHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return false;
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
    case WM_RBUTTONDOWN: onRightButtonDown(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_RBUTTONUP: onRightButtonUp(); return 0;
    case WM_MOUSEMOVE: onMouseMove(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MOUSEWHEEL: onMouseWheel(HIWORD(wParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return 0;
    case WM_DESTROY: closeSceneWindow(window, quitExitCode); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
