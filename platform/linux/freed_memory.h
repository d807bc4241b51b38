// Giving the memory the C library holds free back to the system, after the frames of both Linux
// programs: the clock's (the stand-in's SwapBuffers) and the hack's (its own GLX swap). Kept to
// the standard library, so the hack's X side includes it without the stand-in's Win32 names.
#pragma once

#include <malloc.h>

#include <chrono>

namespace platform {

// The software renderer allocates and frees megabytes in every frame, more the more it draws,
// and the C library would keep the highest such peak resident for good. Called after each frame,
// it returns the free pages every few seconds, so a program holds what it draws now.
inline void returnFreedMemory() {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point due;
  const Clock::time_point now = Clock::now();
  if (now < due) return;
  due = now + std::chrono::seconds(5);
  malloc_trim(0);
}

}  // namespace platform
