// Stands in for the settings panel inside the tests' Wine prefix: makes a window titled
// "Waggler preview host", starts `SCREENSAVER /p HANDLE` in it, and destroys the window at the
// first key pressed in it. It then waits for the screensaver to end and exits with its exit
// code; 3 when it outlives the window by 30 s, 2 on wrong usage or when it cannot start it.
#include <windows.h>

#include <cstdio>

namespace {
LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) DestroyWindow(window);
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: saver_host.exe SCREENSAVER\n");
    return 2;
  }
  WNDCLASSA hostClass = {};
  hostClass.lpfnWndProc = hostProc;
  hostClass.hInstance = GetModuleHandleA(nullptr);
  hostClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  hostClass.lpszClassName = "SaverHost";
  RegisterClassA(&hostClass);
  // A popup, so its client area is its whole X window.
  HWND host = CreateWindowExA(0, "SaverHost", "Waggler preview host",
                              WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 80, 320, 240, nullptr,
                              nullptr, hostClass.hInstance, nullptr);
  SetForegroundWindow(host);

  char commandLine[1024];
  std::snprintf(commandLine, sizeof commandLine, "\"%s\" /p %llu", argv[1],
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(host)));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION saver = {};
  if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &saver)) {
    std::fprintf(stderr, "cannot start %s\n", commandLine);
    return 2;
  }

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (WaitForSingleObject(saver.hProcess, 30000) != WAIT_OBJECT_0) {
    std::printf("the screensaver outlived its window\n");
    TerminateProcess(saver.hProcess, 3);
    return 3;
  }
  DWORD code = 0;
  GetExitCodeProcess(saver.hProcess, &code);
  std::printf("the screensaver ended with %lu\n", code);
  return static_cast<int>(code);
}
