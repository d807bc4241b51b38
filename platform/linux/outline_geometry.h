// Outline geometry: a glyph's outline flattened into polygons, filled with triangles and walled
// round for extrusion. Plain arithmetic and GLU's tessellator; it needs no GL context.
#pragma once

#include <ft2build.h>

#include <vector>
#include FT_FREETYPE_H

namespace platform {

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

}  // namespace platform
