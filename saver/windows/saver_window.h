// The window the screensaver draws the clock's scene in: full screen for /s, a child of the
// settings panel's preview for /p.
#pragma once

#include <windows.h>

#include "saver/windows/settings.h"

// Registers the scene window's class; once, before either window is made.
void registerSceneClass(HINSTANCE instance);
// One topmost popup over the whole virtual screen, cursor hidden. False when it could not be
// made (no GL context, for one).
bool createFullScreenWindow(HINSTANCE instance, const SaverSettings& settings);
// A child filling `parent`'s client area, taking no input. False when it could not be made.
bool createPreviewWindow(HINSTANCE instance, HWND parent, const SaverSettings& settings);
