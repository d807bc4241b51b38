// The process entry: register the class, create the window, run the message loop.
#include "app/window.h"
#include "platform/no_window_report.h"
#include "records/state.h"

namespace {
const int noWindowExitCode = 1;  // the clock could not run: never reported as success
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  clockState.hinstance = instance;
  registerWindowClass();
  if (!createMainWindow(clockState.hinstance, showCommand)) {
    reportNoWindow();
    return noWindowExitCode;
  }

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    // The dialog step turns Enter and Escape into commands 1 and 2.
    if (!IsDialogMessageA(clockState.hwnd, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
