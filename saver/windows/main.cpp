// The screensaver's entry: read the command line Windows gives and run the full screen, the
// preview, the settings, or nothing (/a), as screensavers do.
#include <windows.h>

#include <cstdint>

#include "records/state.h"
#include "saver/arguments.h"
#include "saver/windows/saver_window.h"
#include "saver/windows/settings.h"
#include "saver/windows/settings_dialog.h"

namespace {
const int failedExitCode = 1;

HWND windowFrom(const SaverCommand& command) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(command.window));
}

int runMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  clockState.hinstance = instance;
  const SaverCommand command = parseSaverArguments(commandLine);
  switch (command.mode) {
    case SaverMode::kInvalid:
      MessageBoxA(nullptr, screensaverUsage, "Waggler screensaver", MB_OK | MB_ICONINFORMATION);
      return failedExitCode;
    case SaverMode::kPassword: return 0;
    case SaverMode::kSettings: {
      HWND owner = command.hasWindow ? windowFrom(command) : nullptr;
      runSettingsDialog(instance, IsWindow(owner) ? owner : nullptr);
      return 0;
    }
    case SaverMode::kPreview: {
      HWND parent = windowFrom(command);
      // A stale handle from the panel: nothing to draw into, and nobody to tell.
      if (!IsWindow(parent)) return failedExitCode;
      registerSceneClass(instance);
      if (!createPreviewWindow(instance, parent, loadSaverSettings())) return failedExitCode;
      return runMessageLoop();
    }
    case SaverMode::kRun:
      registerSceneClass(instance);
      if (!createFullScreenWindow(instance, loadSaverSettings())) return failedExitCode;
      return runMessageLoop();
  }
  return failedExitCode;
}
