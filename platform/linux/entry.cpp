// The process entry of the Linux program: what Windows does before and after WinMain.
#include <SDL.h>

#include <cstdlib>

#include "platform/win32.h"

namespace {
// Stands for the module the instance handle names; only its address is used.
char module;
char emptyCommandLine[] = "";
}  // namespace

int main() {
  // Mesa's software renderer would start a rasterizer thread per core, and as many helpers,
  // and wake them all several times a frame; on the main thread alone the clock's frame still
  // fits its 20 ms tick at 1024 by 768. A user's own setting wins.
  setenv("LP_NUM_THREADS", "0", 0);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(&module);
  const int exitCode = WinMain(instance, nullptr, emptyCommandLine, SW_SHOWNORMAL);
  SDL_Quit();
  return exitCode;
}
