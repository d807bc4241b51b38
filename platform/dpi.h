// What a window's scale asks of the program: its dots per inch, the frame a window has at a
// given scale, and the system font drawn at it. Windows answers through calls that came with
// Windows 8.1 and 10, looked up when the program runs (platform/windows/dpi.cpp); the stand-in
// from the desktop's Xft.dpi (platform/linux/dpi.cpp).
#pragma once

#include "platform/win32.h"

// The dots per inch `window` is drawn at: its monitor's where the system scales each monitor,
// else the system's; 96 on an unscaled display.
int windowDpi(HWND window);
// The thickness of the frame around the client area of a top-level window of `style` at `dpi`
// (left, top, right and bottom edges, each a positive number of pixels).
RECT windowFrame(DWORD style, int dpi);
// The stock system font, with its glyphs at `dpi`.
HFONT systemFontAt(int dpi);
