// Draws the clock's two pictures from their geometry and encodes them as 24-bit BMP files.
#pragma once

#include <cstdint>
#include <vector>

#include "harness/picture.h"

using pictures::Picture;
using pictures::Rgb;

Picture drawStripes();
Picture drawHoneycomb();

// A BMP file: 14-byte file header, 40-byte info header, bottom-up BGR rows.
std::vector<std::uint8_t> encodeBitmapFile(const Picture& picture);
