// What the screensaver needs of the scale beyond the clock's: a monitor's own dots per inch, and
// a window made in the awareness of a window of another program. Windows only.
#pragma once

#include "platform/win32.h"

// The dots per inch of `monitor` (Windows 8.1 and later), else `fallback`.
int monitorDpi(HMONITOR monitor, int fallback);

// While one lives, windows this thread makes take the awareness of `window` (Windows 10 1607 and
// later): a child of another program's window must, or Windows resets this process's own.
class AwarenessOf {
 public:
  explicit AwarenessOf(HWND window);
  ~AwarenessOf();
  AwarenessOf(const AwarenessOf&) = delete;
  AwarenessOf& operator=(const AwarenessOf&) = delete;

 private:
  void* previous_ = nullptr;
};
