// The one header the clock includes for Win32, GDI, WGL, OpenGL 1.1 and GLU: on Windows the
// system's own headers; elsewhere our stand-in (platform/linux/, which the Windows build never
// compiles), offering the same names with the behaviour the clock relies on.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <GL/gl.h>
#include <GL/glu.h>
#include <windows.h>

#else

#include "platform/linux/win32_stand_in.h"  // IWYU pragma: export

#endif
