/* Preloaded into a program by bench/soak.sh and bench/bench.sh. It counts the frames presented
 * (SDL_GL_SwapWindow, or glXSwapBuffers or eglSwapBuffers for a program that calls them itself):
 * - SOAK_FRAME_FILE: the count, rewritten every 50 frames and at exit;
 * - SOAK_GL_ERRORS: when set, each frame's GL errors, asked before its swap and reported on
 * standard error, for a program built without GL checks of its own (the hack);
 * - BENCH_SWAP_FILE: the wall-clock microsecond at which each swap returned, appended every 50;
 * - BENCH_PHASE_FILE: when each step of start-up ended, from BENCH_EXEC_US (the microsecond of
 *   exec) to the end of the first swap, written once that swap is done.
 * Build: cc -shared -fPIC -O2 -o frame_counter.so frame_counter.c -ldl */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "summary_file.h"

static unsigned long frames;
static pid_t owner; /* a forked child must not write a stale count */

static long long now_us(void) {
  struct timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

/* Start-up steps, in the order they end; 0 while a step has not ended. */
enum { LOADED, VIDEO, CONTEXT, LISTS, SHOWN, FRAME_START, FRAME_END, STEPS };
static const char* const step_names[STEPS] = {"loaded", "video", "context",   "lists",
                                              "shown",  "tick",  "first_swap"};
static long long step_end[STEPS];
static int windows_asked, windows_made;

static void note(int step) {
  if (!step_end[FRAME_END] && !step_end[step]) step_end[step] = now_us();
}

__attribute__((constructor)) static void remember_owner(void) {
  owner = getpid();
  step_end[LOADED] = now_us();
}

static void write_phases(void) {
  const char* path = getenv("BENCH_PHASE_FILE");
  const char* exec_us = getenv("BENCH_EXEC_US");
  if (!path || !exec_us) return;
  FILE* file = fopen(path, "w");
  if (!file) return;
  long long previous = atoll(exec_us);
  for (int i = 0; i < STEPS; ++i) {
    if (!step_end[i]) continue;
    fprintf(file, "%s %lld\n", step_names[i], step_end[i] - previous);
    previous = step_end[i];
  }
  fprintf(file, "windows %d %d\n", windows_asked, windows_made);
  fclose(file);
}

static void save(unsigned long count) {
  char partial[PATH_MAX];
  const char* path;
  FILE* file = open_summary("SOAK_FRAME_FILE", owner, partial, &path);
  if (!file) return;
  put_summary(file, fprintf(file, "%lu\n", count) < 0, partial, path);
}

/* Swap times wait here and go out 50 at a time, so the file costs one write a second. */
static long long pending[50];
static int pending_count;

static void flush_swaps(void) {
  const char* path = getenv("BENCH_SWAP_FILE");
  FILE* file = path && getpid() == owner && pending_count > 0 ? fopen(path, "a") : NULL;
  /* Emptied whether written or not: unwritten, the next swaps would run past its end. */
  if (!file) {
    pending_count = 0;
    return;
  }
  for (int i = 0; i < pending_count; ++i) fprintf(file, "%lld\n", pending[i]);
  fclose(file);
  pending_count = 0;
}

/* Every error flag the frame raised, reported for the first ten frames that raised any. */
static void report_gl_errors(void) {
  static int wanted = -1, frames_reported;
  static unsigned (*get_error)(void);
  if (wanted < 0) {
    wanted = getenv("SOAK_GL_ERRORS") != NULL;
    if (wanted) *(void**)&get_error = dlsym(RTLD_DEFAULT, "glGetError");
  }
  if (!wanted || !get_error) return;
  unsigned error;
  /* Each flag reads back once; a bound keeps a lost context from holding the frame here. */
  for (int flags = 0; flags < 8 && (error = get_error()) != 0; ++flags) {
    if (frames_reported < 10)
      fprintf(stderr, "frame_counter: GL error 0x%04X in frame %lu\n", error, frames + 1);
    if (flags == 0) ++frames_reported;
  }
}

static void swapped(void) {
  unsigned long count = __atomic_add_fetch(&frames, 1, __ATOMIC_RELAXED);
  pending[pending_count++] = now_us();
  if (count == 1) {
    note(FRAME_END);
    write_phases();
  }
  if (pending_count == 50) flush_swaps();
  if (count % 50 == 0) save(count);
}

#define REAL(name, type)        \
  static __typeof__(type) real; \
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, name)

void SDL_GL_SwapWindow(void* window) {
  REAL("SDL_GL_SwapWindow", void (*)(void*));
  report_gl_errors();
  if (real) real(window);
  swapped();
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  REAL("glXSwapBuffers", void (*)(void*, unsigned long));
  report_gl_errors();
  if (real) real(display, drawable);
  swapped();
}

unsigned eglSwapBuffers(void* display, void* surface) {
  REAL("eglSwapBuffers", unsigned (*)(void*, void*));
  unsigned done = real ? real(display, surface) : 0;
  swapped();
  return done;
}

int SDL_InitSubSystem(unsigned flags) {
  REAL("SDL_InitSubSystem", int (*)(unsigned));
  int result = real ? real(flags) : -1;
  note(VIDEO);
  return result;
}

void* SDL_CreateWindow(const char* title, int x, int y, int w, int h, unsigned flags) {
  REAL("SDL_CreateWindow", void* (*)(const char*, int, int, int, int, unsigned));
  void* window = real ? real(title, x, y, w, h, flags) : NULL;
  ++windows_asked;
  if (window) ++windows_made;
  return window;
}

void* SDL_GL_CreateContext(void* window) {
  REAL("SDL_GL_CreateContext", void* (*)(void*));
  void* context = real ? real(window) : NULL;
  note(CONTEXT);
  return context;
}

/* The glyph lists are the lists built before the first frame; the last one to end counts. */
void glEndList(void) {
  REAL("glEndList", void (*)(void));
  if (real) real();
  if (!step_end[FRAME_END]) step_end[LISTS] = now_us();
}

void SDL_ShowWindow(void* window) {
  REAL("SDL_ShowWindow", void (*)(void*));
  if (real) real(window);
  note(SHOWN);
}

/* A frame begins with its clears. */
void glClear(unsigned mask) {
  REAL("glClear", void (*)(unsigned));
  note(FRAME_START);
  if (real) real(mask);
}

__attribute__((destructor)) static void save_at_exit(void) {
  /* A process that drew nothing (a launcher's helper, preloaded too) leaves the count alone. */
  unsigned long count = __atomic_load_n(&frames, __ATOMIC_RELAXED);
  if (count) save(count);
  flush_swaps();
}
