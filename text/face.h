// The honeycomb dial and its twelve numerals.
#pragma once

#include <string>

extern const char* const romanNumeralTexts[13];  // indexed by hour 1 to 12

// The text drawn for hour 1 to 12, Roman or decimal.
std::string numeralText(int hour, bool roman);

// Leaves: matrix as found, lighting on, texturing off, face colour; numerals: ScaledText's, grey.
void drawFace();
