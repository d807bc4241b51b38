// Whole seconds and milliseconds of the wall clock (UTC), read in one call.
// The seconds are 64-bit on both systems, so the dance survives January 2038.
#pragma once

#include <ctime>

struct WallClock {
  std::time_t seconds;
  unsigned short millis;
};

#ifdef _WIN32
#include "platform/win32.h"

inline WallClock readSystemClock() {
  FILETIME now;  // 100 ns ticks since 1601
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const unsigned long long unixMillis = (ticks - 116444736000000000ULL) / 10000ULL;
  return {static_cast<std::time_t>(unixMillis / 1000),
          static_cast<unsigned short>(unixMillis % 1000)};
}

#else

inline WallClock readSystemClock() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return {now.tv_sec, static_cast<unsigned short>(now.tv_nsec / 1000000)};
}

#endif

// The clock the dance and the digital time read: the system's, always, in the program.
// Tests point it at a time they choose, so nothing moves between setting up and drawing.
extern WallClock (*readWallClock)();
