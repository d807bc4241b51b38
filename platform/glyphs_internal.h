// The pieces of platform/glyphs.cpp that its tests and benchmark look at directly: the
// outline geometry before it goes into display lists, the code page, the chosen faces.
#pragma once

#include <ft2build.h>

#include "platform/win32.h"
#include FT_FREETYPE_H

#include <cstddef>
#include <string>
#include <vector>

namespace glyphs {

struct Point {
  double x, y;
};
// A closed polygon; the closing edge runs from the last point back to the first.
using Contour = std::vector<Point>;

// One side wall, seen from outside: a to b runs left to right along the front edge, so the
// outward side is to the right of a->b. Normals are per end, smoothed across curve joints.
struct Wall {
  Point a, b;
  Point normalA, normalB;
};

struct Mesh {
  std::vector<Point> triangles;  // three per triangle, counter-clockwise seen from +z
  std::vector<Wall> walls;
  bool tessellationFailed = false;
};

// The outline's contours with curves flattened, scaled by `scale` (1 / units per em gives em
// units); no point strays more than `tolerance` (same units) from the true curve.
std::vector<Contour> flattenOutline(const FT_Outline& outline, double scale, double tolerance);

// Triangulates the filled region (nonzero or even-odd rule) and builds the side walls with
// outward normals, whichever way the contours run.
Mesh meshContours(const std::vector<Contour>& contours, bool evenOdd);

// The Unicode character of a single-byte code in the Windows-1252 code page; 0 when the code
// page leaves the code undefined. Codes above 255 pass through as Unicode.
unsigned long unicodeForCode(unsigned long code);

// The face the font mapper gives for a font object (loaded once, kept for the process), or
// null when none can be had; and its family, style and file, or "".
FT_Face faceFor(HGDIOBJ font);
std::string faceDescription(HGDIOBJ font);

// Triangles compiled by the last successful wglUseFontOutlinesA (faces and walls together).
std::size_t lastOutlineTriangleCount();

}  // namespace glyphs
