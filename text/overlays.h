// The two overlays that close every frame: the digital time and the credit line.
#pragma once

#include <ctime>
#include <string>

extern const char* const creditText;

// "H:MM:SS" for a local time.
std::string formatTimeOfDay(const std::tm& local);

// Raster position of the credit line in normalised device coordinates, in a viewport of width by
// height pixels at `dpi`: 7.5 program pixels a character from the right edge, 15 up.
void creditPosition(unsigned length, int width, int height, int dpi, float& x, float& y);

// Leaves: modelview current, the identity moved to (0, 50, -400), white, and ScaledText's state.
void drawDigitalTime();
// Leaves: modelview current, both matrices identity, bitmap lists, creditColour; no enable changed.
void drawCredit();
