// Preloaded by the linux-asan test preset into every process its tests start, to work around
// two things the sanitizers cannot handle on their own.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

// dlclose leaves every library mapped. Mesa's driver and the LLVM inside it are unloaded when
// the last EGL display or X connection using them goes; what they still hold is then
// referenced only from memory that is gone, and LeakSanitizer reports it as leaked by code it
// can no longer name, so no suppression could match it. Kept mapped, it stays reachable.
int dlclose(void* handle) {
  (void)handle;
  return 0;
}

// SDL shows an X11 message box from a forked child. This compiler's AddressSanitizer does not
// lock its allocator around fork, so a child forked while another thread (a frame being drawn)
// holds an allocator lock hangs at its first malloc and the box never appears. Told that fork
// failed, SDL shows the box from the calling thread instead; other callers fork as usual.
pid_t fork(void) {
  static pid_t (*realFork)(void);
  if (!realFork) realFork = (pid_t(*)(void))dlsym(RTLD_NEXT, "fork");
  Dl_info caller;
  if (dladdr(__builtin_return_address(0), &caller) && caller.dli_fname &&
      strstr(caller.dli_fname, "libSDL2")) {
    errno = EAGAIN;
    return -1;
  }
  return realFork();
}
