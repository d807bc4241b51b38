// How the fuzzers check what a parser promises beyond not crashing: a broken promise aborts,
// which libFuzzer reports as a crash, keeping the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void promise(bool kept, const char* what) {
  if (kept) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}
