// Runs inside the tests' Wine prefix and lists the controls of the top-level window with the
// given title, one a line: class|visible|x,y,width,height|text (screen coordinates). A Windows
// dialog's controls are no X windows, so this is how the tests read what a box says.
// Exit code 0 when the window exists, 1 when it does not, 2 on wrong usage.
#include <windows.h>

#include <cstdio>

static BOOL CALLBACK listControl(HWND control, LPARAM) {
  char cls[64] = "";
  char text[512] = "";
  GetClassNameA(control, cls, sizeof cls);
  GetWindowTextA(control, text, sizeof text);
  RECT r;
  GetWindowRect(control, &r);
  std::printf("%s|%d|%ld,%ld,%ld,%ld|%s\n", cls, IsWindowVisible(control) ? 1 : 0, r.left, r.top,
              r.right - r.left, r.bottom - r.top, text);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wine_probe.exe TITLE\n");
    return 2;
  }
  HWND window = FindWindowA(nullptr, argv[1]);
  if (!window) return 1;
  EnumChildWindows(window, listControl, 0);
  std::fflush(stdout);
  return 0;
}
