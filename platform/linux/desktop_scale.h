// The desktop's scale: how much larger the desktop asks programs to draw, as the X resource
// Xft.dpi says, read before the first window is made and followed while the program runs.
#pragma once

namespace platform {

// Xft.dpi in an X resource string (as the server's RESOURCE_MANAGER property holds it): 96 when
// absent, unreadable or smaller, and no more than 480.
int dpiFromResources(const char* resources);
// Reads Xft.dpi from the X server, before the first window is made, and from then on watches it;
// a program that never calls it (the xscreensaver hack, the tests' offscreen scenes) stays at 96.
void readDesktopScale();
// True once when Xft.dpi has changed since the last call (a desktop rewrites the resources when
// the user changes the scale): desktopDpi() then says the new one. It never waits.
bool desktopScaleChanged();
// The dots per inch the desktop asks for: 96, or more when it is scaled.
int desktopDpi();
// A length in program pixels, in the desktop's (the stand-in's own drawing: the message box).
int toScreenPixels(int programPixels);

}  // namespace platform
