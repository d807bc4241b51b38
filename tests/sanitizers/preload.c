// Preloaded by the linux-asan test preset into every process its tests start, to work around
// what LeakSanitizer cannot handle on its own.
#define _GNU_SOURCE
#include <dlfcn.h>

// dlclose leaves every library mapped. Mesa's driver and the LLVM inside it are unloaded when
// the last EGL display or X connection using them goes; what they still hold is then
// referenced only from memory that is gone, and LeakSanitizer reports it as leaked by code it
// can no longer name, so no suppression could match it. Kept mapped, it stays reachable.
int dlclose(void* handle) {
  (void)handle;
  return 0;
}
