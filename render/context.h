// The window's pixel format and GL context, made inside window creation.
#pragma once

#include "platform/win32.h"

HGLRC createGLContext(HWND window, HDC dc);
