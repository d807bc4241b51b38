// The bitmap and outline glyph lists, and the one routine that draws extruded text.
#pragma once

#include <string>

void setupFonts();
// Makes the credit line's bitmap glyphs (bitmapFontBase) those of the system font at `dpi`:
// built the first time a scale is met, kept for the next.
void useBitmapGlyphsAt(int dpi);
// Draws `text` centred on the origin with a shadow and a halo; an empty string changes nothing.
// Leaves: matrix, colour as found; fill, CCW, lighting and depth test on, blend off, outline lists.
void ScaledText(std::string text, float scaleX, float scaleY);

// Width (sum of advances) and height (tallest inked box, at least 0) of a string in glyph units.
void measureText(const std::string& text, float& width, float& height);
