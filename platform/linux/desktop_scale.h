// The desktop's scale: how much larger the desktop asks programs to draw (the X resource
// Xft.dpi), and the conversions between the window pixels the program reasons in and the
// screen's pixels, as Windows makes them for a program that does not declare itself DPI aware.
#pragma once

namespace platform {

// The dots per inch of an unscaled desktop, where a program pixel is a screen pixel.
constexpr int baseDpi = 96;

// Xft.dpi in an X resource string (as the server's RESOURCE_MANAGER property holds it): 96 when
// absent, unreadable or smaller, and no more than 480.
int dpiFromResources(const char* resources);
// Reads Xft.dpi from the X server once, before the first window is made; a program that never
// calls it (the xscreensaver hack, the tests' offscreen scenes) stays at 96.
void readDesktopScale();
// The dots per inch the program is drawn at: 96, or more when the desktop is scaled.
int desktopDpi();
bool desktopScaled();
// A length or coordinate in the program's pixels, in the screen's (rounded to the nearest).
int toScreenPixels(int programPixels);
// A coordinate on the screen, in the program's pixels (rounded down, so that every screen
// pixel of the window maps into it).
int toProgramPixels(int screenPixels);

}  // namespace platform
