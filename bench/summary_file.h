/* For the libraries bench/ preloads into a program: a summary a script reads while the program
 * runs is written beside its file and renamed into place, so that no reader sees half of one,
 * and only by the process the library was loaded into (a forked child would write stale figures).
 */
#pragma once
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

/* The file beside the one the environment's `variable` names, opened to write, with that name in
 * `path`; NULL when none is named, in another process than `owner`, or when it cannot be opened. */
static inline FILE* open_summary(const char* variable, pid_t owner, char partial[PATH_MAX],
                                 const char** path) {
  *path = getenv(variable);
  if (!*path || getpid() != owner) return NULL;
  if (snprintf(partial, PATH_MAX, "%s.part", *path) >= PATH_MAX) return NULL;
  return fopen(partial, "w");
}

/* Closes it and puts it in the named file's place, unless writing it failed. */
static inline void put_summary(FILE* file, int failed, const char* partial, const char* path) {
  failed |= fclose(file) != 0;
  if (!failed) rename(partial, path);
}
