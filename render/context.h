// The GL context and the one-time scene set-up, both run inside window creation.
#pragma once

#include "platform/win32.h"

HGLRC createGLContext(HWND window, HDC dc);
void initScene(HWND window, HGLRC context);

// The part of initScene after the context is current: fixed GL state, fonts, textures,
// quadric and camera. Offscreen tests call it on a context of their own.
void setupScene();
