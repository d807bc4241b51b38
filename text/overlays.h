// The two overlays that close every frame: the digital time and the credit line.
#pragma once

#include <ctime>
#include <string>

extern const char* const creditText;

// "H:MM:SS" for a local time.
std::string formatTimeOfDay(const std::tm& local);

// Raster position of the credit line in normalised device coordinates.
void creditPosition(unsigned length, int width, int height, float& x, float& y);

void drawDigitalTime();
void drawCredit();
