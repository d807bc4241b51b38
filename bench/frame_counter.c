/* Preloaded into the clock by bench/soak.sh: counts SDL_GL_SwapWindow calls (one per frame
 * drawn) and keeps the count in the file named by SOAK_FRAME_FILE, every 50 frames and at exit.
 * Build: cc -shared -fPIC -O2 -o frame_counter.so frame_counter.c -ldl */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static unsigned long frames;
static pid_t owner; /* a forked child (SDL's message box on X11) must not write a stale count */

__attribute__((constructor)) static void remember_owner(void) {
  owner = getpid();
}

static void save(unsigned long count) {
  const char* path = getenv("SOAK_FRAME_FILE");
  char partial[PATH_MAX];
  if (!path || getpid() != owner) return;
  if (snprintf(partial, sizeof partial, "%s.part", path) >= (int)sizeof partial) return;
  FILE* file = fopen(partial, "w");
  if (!file) return;
  int failed = fprintf(file, "%lu\n", count) < 0;
  failed |= fclose(file) != 0;
  /* Renamed into place so a reader never sees a half-written number. */
  if (!failed) rename(partial, path);
}

void SDL_GL_SwapWindow(void* window) {
  static void (*real)(void*);
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (real) real(window);
  unsigned long count = __atomic_add_fetch(&frames, 1, __ATOMIC_RELAXED);
  if (count % 50 == 0) save(count);
}

__attribute__((destructor)) static void save_at_exit(void) {
  save(__atomic_load_n(&frames, __ATOMIC_RELAXED));
}
