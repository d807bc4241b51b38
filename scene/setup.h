// The one-time scene set-up, run inside window creation once the GL context exists.
#pragma once

#include "platform/win32.h"

void initScene(HWND window, HGLRC context);

// The part of initScene after the context is current: fixed GL state, fonts, textures,
// quadric and camera. Offscreen tests call it on a context of their own.
void setupScene();
