// Program pixels: lengths and places as on a 96-dpi screen, which the clock reasons in at any
// scale. On a scaled display they become the display's own pixels on the way out and come back
// on the way in, by one rule on every system: Windows' MulDiv, rounding half away from zero.
#pragma once

// The dots per inch of an unscaled display, where a program pixel is a physical pixel.
constexpr int baseDpi = 96;

// A length or coordinate in program pixels, in the pixels of a display at `dpi`.
int toPhysicalPixels(int programPixels, int dpi);
// A length or coordinate in the pixels of a display at `dpi`, in program pixels.
int toProgramPixels(int physicalPixels, int dpi);
// Pixels of a display at `fromDpi`, in those of one at `toDpi` (a window moved between scales).
int rescalePixels(int pixels, int fromDpi, int toDpi);
// A length that need not be whole (a line's width): exactly `programPixels` at 96.
float toPhysicalLength(float programPixels, int dpi);
