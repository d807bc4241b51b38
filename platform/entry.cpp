// The process entry of the Linux program: what Windows does before and after WinMain.
#include <SDL.h>

#include "platform/win32.h"

namespace {
// Stands for the module the instance handle names; only its address is used.
char module;
char emptyCommandLine[] = "";
}  // namespace

int main() {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(&module);
  const int exitCode = WinMain(instance, nullptr, emptyCommandLine, SW_SHOWNORMAL);
  SDL_Quit();
  return exitCode;
}
