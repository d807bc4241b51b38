// Glyph display lists (wglUseFontBitmapsA, wglUseFontOutlinesA): what their tests and the
// glyph benchmark look at besides the lists themselves.
#pragma once

#include <cstddef>

namespace platform {

// The Unicode character of a single-byte code in the Windows-1252 code page; 0 when the code
// page leaves the code undefined. Codes above 255 pass through as Unicode.
unsigned long unicodeForCode(unsigned long code);

// Triangles compiled by the last successful wglUseFontOutlinesA (faces and walls together).
std::size_t lastOutlineTriangleCount();

}  // namespace platform
