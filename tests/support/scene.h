// Puts the clock's records and scene into a known state on the offscreen context.
#pragma once

#include <string>

#include "tests/support/offscreen_gl.h"

// Fresh records, a client area of width by height, and the one-time scene set-up.
// Returns false, with a reason, when no offscreen context can be had.
bool prepareScene(int width, int height, std::string& reason);

// Makes the local wall-clock time read hour:minute (through TZ), so the dance points there.
void setLocalTime(int hour, int minute);
void restoreLocalTime();

// Starts the dance `elapsed` seconds before now.
void setDanceElapsed(double elapsed);
