// Setting the built-in icon on an X window.
#include "platform/linux/window_icon.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

#include "platform/linux/x_link.h"

namespace platform {

void setWindowIcon(Display* display, unsigned long window) {
  if (!display || !window || windowIconWordCount == 0) return;
  // Xlib takes 32-bit property items as longs, whatever the size of a long.
  const std::vector<long> items(windowIconWords, windowIconWords + windowIconWordCount);
  XChangeProperty(display, window, xAtom(display, "_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(items.data()),
                  static_cast<int>(items.size()));
}

}  // namespace platform
