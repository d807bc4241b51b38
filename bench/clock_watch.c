/* Preloaded into the clock by bench/soak.sh: what the clock reads of the wall clock for its dance
 * and what it draws in text, frame by frame, kept as the share of its day that it drew (hour
 * angles, digital times, each numeral set, dance positions) and the rate at which its time ran.
 * SOAK_WATCH_FILE names the summary, rewritten every 250 frames and at exit; SOAK_CLOCK_SPEED is
 * the rate asked for, which bounds the steps counted as running (freezes and jumps are not).
 * Build: cc -shared -fPIC -O2 -o clock_watch.so clock_watch.c -ldl */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "summary_file.h"

enum {
  HOUR_ANGLES = 720,     /* the bee's direction moves with each minute of 12 hours */
  DAY_SECONDS = 86400,   /* the digital time, 0:00:00 to 23:59:59 */
  DANCE_POSITIONS = 600, /* the 6 s dance, in steps of 10 ms */
  GL_UNSIGNED_BYTE_ = 0x1401,
};

static unsigned char hour_any[HOUR_ANGLES], hour_arabic[HOUR_ANGLES], hour_roman[HOUR_ANGLES];
static unsigned char seconds_drawn[DAY_SECONDS], dance_drawn[DANCE_POSITIONS];
/* Digital times passed over between two frames that showed the digital time, the second more than
 * a second of the clock after the first: a frame that came late, not a time left undrawn. */
static unsigned char seconds_between_late_frames[DAY_SECONDS];
static unsigned long frames, dance_phase_frames[4];
static pid_t owner;

/* The frame in progress, on the thread that draws: from its first clear to its swap. Each reading
 * of the wall clock keeps the monotonic time it was made at: a frame can stall between reading
 * the time and presenting it, so steps are measured between readings. */
static __thread int in_frame, dance_read;
static long long frame_wall_ms, frame_wall_mono_us; /* the wall clock as the dance read it */
static long long last_read_mono_us;                 /* when the wall clock was read last */
static int frame_digital = -1, frame_arabic, frame_roman;
static long long frame_digital_mono_us;

static long long dance_start_ms = -1;
static long long last_wall_ms = -1, last_mono_us = -1;
static double run_wall_s, run_mono_s; /* steps of the wall clock that ran, not stood or jumped */
static int last_digital = -1;
static long long last_digital_mono_us = -1;
static double drawn_s, drawn_mono_s; /* the same for the digital time drawn */
static double speed = 1.0;
/* Frames that read the digital time more than a second of the clock after the one before: at a
 * speed, the digital times between them were never drawn. */
static unsigned long late_frames;

#define REAL(name, type)        \
  static __typeof__(type) real; \
  if (!real) *(void**)&real = dlsym(RTLD_NEXT, name)

static long long mono_us(void) {
  REAL("clock_gettime", int (*)(clockid_t, struct timespec*));
  struct timespec t = {0, 0};
  if (real) real(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

__attribute__((constructor)) static void start(void) {
  owner = getpid();
  const char* asked = getenv("SOAK_CLOCK_SPEED");
  if (asked && atof(asked) > 0) speed = atof(asked);
}

/* The dance reads the wall clock first in each frame (the digital time reads it again later). */
int clock_gettime(clockid_t clock, struct timespec* t) {
  REAL("clock_gettime", int (*)(clockid_t, struct timespec*));
  int result = real ? real(clock, t) : -1;
  if (result == 0 && clock == CLOCK_REALTIME && in_frame) {
    last_read_mono_us = mono_us();
    if (!dance_read) {
      dance_read = 1;
      /* In whole milliseconds, as the clock keeps them. */
      frame_wall_ms = t->tv_sec * 1000LL + t->tv_nsec / 1000000;
      frame_wall_mono_us = last_read_mono_us;
    }
  }
  return result;
}

static int all_of(const char* text, int n, const char* set) {
  for (int i = 0; i < n; ++i)
    if (!strchr(set, text[i])) return 0;
  return n > 0;
}

/* "H:MM:SS" as seconds of the day, or -1 for any other text. */
static int digital_seconds(const char* text, int n) {
  int h, m, s, used = 0;
  char copy[16];
  if (n < 7 || n > 8) return -1;
  memcpy(copy, text, n);
  copy[n] = 0;
  if (sscanf(copy, "%2d:%2d:%2d%n", &h, &m, &s, &used) != 3 || used != n) return -1;
  if (h > 23 || m > 59 || s > 59) return -1;
  return h * 3600 + m * 60 + s;
}

void glCallLists(int n, unsigned type, const void* lists) {
  REAL("glCallLists", void (*)(int, unsigned, const void*));
  if (in_frame && type == GL_UNSIGNED_BYTE_ && lists) {
    const char* text = lists;
    int seconds = digital_seconds(text, n);
    if (seconds >= 0 && frame_digital < 0) {
      frame_digital = seconds;
      frame_digital_mono_us = last_read_mono_us; /* the reading it was made from */
    } else if (n <= 2 && all_of(text, n, "0123456789"))
      frame_arabic = 1;
    else if (n <= 4 && all_of(text, n, "IVX"))
      frame_roman = 1;
  }
  if (real) real(n, type, lists);
}

void glClear(unsigned mask) {
  REAL("glClear", void (*)(unsigned));
  if (!in_frame) {
    in_frame = 1;
    dance_read = 0;
    frame_digital = -1;
    frame_arabic = frame_roman = 0;
  }
  if (real) real(mask);
}

static int unreached(int second) {
  return !seconds_drawn[second] && !seconds_between_late_frames[second];
}

static void save(void) {
  char partial[PATH_MAX];
  const char* path;
  FILE* file = open_summary("SOAK_WATCH_FILE", owner, partial, &path);
  if (!file) return;
  int any = 0, arabic = 0, roman = 0, seconds = 0, passed_over = 0, dance = 0;
  for (int i = 0; i < HOUR_ANGLES; ++i) {
    any += hour_any[i];
    arabic += hour_arabic[i];
    roman += hour_roman[i];
  }
  for (int i = 0; i < DAY_SECONDS; ++i) {
    seconds += seconds_drawn[i];
    passed_over += !seconds_drawn[i] && seconds_between_late_frames[i];
  }
  for (int i = 0; i < DANCE_POSITIONS; ++i) dance += dance_drawn[i];
  fprintf(file, "frames %lu\n", frames);
  fprintf(file, "dance_start_ms %lld\n", dance_start_ms);
  fprintf(file, "hour_angles %d %d %d %d\n", any, arabic, roman, HOUR_ANGLES);
  fprintf(file, "digital_seconds %d %d %d\n", seconds, DAY_SECONDS, passed_over);
  fprintf(file, "dance_positions %d %d\n", dance, DANCE_POSITIONS);
  fprintf(file, "dance_phase_frames %lu %lu %lu %lu\n", dance_phase_frames[0],
          dance_phase_frames[1], dance_phase_frames[2], dance_phase_frames[3]);
  fprintf(file, "wall_rate %.4f %.1f\n", run_mono_s > 0 ? run_wall_s / run_mono_s : 0.0,
          run_mono_s);
  fprintf(file, "late_frames %lu\n", late_frames);
  fprintf(file, "drawn_rate %.4f %.1f\n", drawn_mono_s > 0 ? drawn_s / drawn_mono_s : 0.0,
          drawn_mono_s);
  /* The first few ranges of digital times never drawn nor passed over by a late frame. */
  int listed = 0;
  for (int i = 0; i < DAY_SECONDS && listed < 8;) {
    if (!unreached(i)) {
      ++i;
      continue;
    }
    int end = i;
    while (end + 1 < DAY_SECONDS && unreached(end + 1)) ++end;
    fprintf(file, "missing %d:%02d:%02d %d:%02d:%02d\n", i / 3600, i / 60 % 60, i % 60, end / 3600,
            end / 60 % 60, end % 60);
    ++listed;
    i = end + 1;
  }
  put_summary(file, 0, partial, path);
}

/* A frame's step of time counts as running when it moved forward by no more than three times the
 * rate asks: a freeze stands still and a jump goes further. */
static int ran(double wall_step_s, double mono_step_s) {
  return wall_step_s > 0 && wall_step_s <= 3 * speed * mono_step_s + 1.0;
}

static void frame_done(void) {
  if (!in_frame) return;
  in_frame = 0;
  ++frames;
  int time_ran = 0;
  if (dance_read) {
    if (dance_start_ms < 0) dance_start_ms = frame_wall_ms;
    time_t seconds = (time_t)(frame_wall_ms / 1000);
    struct tm local;
    if (localtime_r(&seconds, &local)) {
      int angle = local.tm_hour % 12 * 60 + local.tm_min;
      hour_any[angle] = 1;
      if (frame_arabic) hour_arabic[angle] = 1;
      if (frame_roman) hour_roman[angle] = 1;
    }
    long long into_dance = (frame_wall_ms - dance_start_ms) % 6000;
    if (into_dance < 0) into_dance += 6000;
    dance_drawn[into_dance / 10] = 1;
    /* Waggle run, left loop, waggle run, right loop: 2, 1, 2 and 1 s. */
    ++dance_phase_frames[into_dance < 2000 ? 0 : into_dance < 3000 ? 1 : into_dance < 5000 ? 2 : 3];
    if (last_wall_ms >= 0) {
      double wall_step = (frame_wall_ms - last_wall_ms) / 1000.0;
      double mono_step = (frame_wall_mono_us - last_mono_us) / 1e6;
      time_ran = ran(wall_step, mono_step);
      if (time_ran) {
        run_wall_s += wall_step;
        run_mono_s += mono_step;
      }
    }
    last_wall_ms = frame_wall_ms;
    last_mono_us = frame_wall_mono_us;
  }
  if (frame_digital >= 0) {
    seconds_drawn[frame_digital] = 1;
    if (last_digital >= 0) {
      double step = (frame_digital - last_digital + DAY_SECONDS) % DAY_SECONDS;
      double mono_step = (frame_digital_mono_us - last_digital_mono_us) / 1e6;
      if (mono_step > 1.0 / speed) ++late_frames;
      /* Whole seconds: a step of none is the time still inside its second, and counts while
       * the wall clock runs. */
      if (time_ran && (step == 0 || ran(step, mono_step))) {
        drawn_s += step;
        drawn_mono_s += mono_step;
        for (int passed = last_digital + 1; step >= 2 && passed % DAY_SECONDS != frame_digital;
             ++passed)
          seconds_between_late_frames[passed % DAY_SECONDS] = 1;
      }
    }
    last_digital = frame_digital;
    last_digital_mono_us = frame_digital_mono_us;
  } else {
    last_digital = -1;
  }
  if (frames == 1 || frames % 250 == 0) save();
}

void SDL_GL_SwapWindow(void* window) {
  REAL("SDL_GL_SwapWindow", void (*)(void*));
  frame_done();
  if (real) real(window);
}

__attribute__((destructor)) static void save_at_exit(void) {
  if (frames) save();
}
