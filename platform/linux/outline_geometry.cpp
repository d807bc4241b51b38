// Outline geometry: FreeType outlines flattened within a tolerance, filled by GLU's
// tessellator, and walled with outward normals whichever way a font runs its contours.
#include "platform/linux/outline_geometry.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include FT_OUTLINE_H

namespace platform {
namespace {

// ---- Outline flattening ------------------------------------------------------------------

struct Flattener {
  std::vector<Contour>* contours;
  double scale;
  double tolerance;
  Point current{0, 0};

  Point at(const FT_Vector* v) const {
    return {static_cast<double>(v->x) * scale, static_cast<double>(v->y) * scale};
  }
  void add(Point p) {
    Contour& contour = contours->back();
    if (!contour.empty() && contour.back().x == p.x && contour.back().y == p.y) return;
    contour.push_back(p);
  }
  // Segments for a curve whose second derivative never exceeds `bend`: a chord spanning a
  // parameter step h strays at most bend * h^2 / 8 from the curve.
  int segmentsFor(double bend) const {
    const double n = std::ceil(std::sqrt(bend / (8.0 * tolerance)));
    if (!(n >= 1.0)) return 1;
    return static_cast<int>(std::min(n, 64.0));
  }
};

double length(Point p) {
  return std::hypot(p.x, p.y);
}

int moveTo(const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  f->contours->emplace_back();
  f->current = f->at(to);
  f->add(f->current);
  return 0;
}

int lineTo(const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  if (f->contours->empty()) f->contours->emplace_back();
  f->current = f->at(to);
  f->add(f->current);
  return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  if (f->contours->empty()) f->contours->emplace_back();
  const Point p0 = f->current, p1 = f->at(control), p2 = f->at(to);
  // B'' = 2 (p0 - 2 p1 + p2)
  const double bend = 2.0 * length({p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y});
  const int n = f->segmentsFor(bend);
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1.0 - t;
    f->add({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
            u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
  }
  f->current = p2;
  return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  if (f->contours->empty()) f->contours->emplace_back();
  const Point p0 = f->current, p1 = f->at(control1), p2 = f->at(control2), p3 = f->at(to);
  // |B''| <= 6 max(|p0 - 2 p1 + p2|, |p1 - 2 p2 + p3|)
  const double bend = 6.0 * std::max(length({p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y}),
                                     length({p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y}));
  const int n = f->segmentsFor(bend);
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1.0 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    f->add({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
  }
  f->current = p3;
  return 0;
}

// ---- Tessellation ------------------------------------------------------------------------

struct TessVertex {
  GLdouble xyz[3];
};

struct Tessellation {
  std::deque<TessVertex> vertices;  // a deque keeps the addresses GLU holds on to
  std::vector<Point> triangles;
  bool failed = false;
};

void tessVertex(void* vertex, void* data) {
  const auto* v = static_cast<const TessVertex*>(vertex);
  static_cast<Tessellation*>(data)->triangles.push_back({v->xyz[0], v->xyz[1]});
}

void tessCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out,
                 void* data) {
  auto* t = static_cast<Tessellation*>(data);
  t->vertices.push_back({{coords[0], coords[1], 0.0}});
  *out = &t->vertices.back();
}

void tessError(GLenum /*error*/, void* data) {
  static_cast<Tessellation*>(data)->failed = true;
}

// Registering an edge-flag callback makes GLU hand out separate triangles only.
void tessEdgeFlag(GLboolean /*flag*/, void* /*data*/) {}
void tessBegin(GLenum /*type*/, void* /*data*/) {}
void tessEnd(void* /*data*/) {}

template <typename F>
_GLUfuncptr callback(F* f) {
  return reinterpret_cast<_GLUfuncptr>(f);
}

double cross(Point o, Point a, Point b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

int windingNumber(const std::vector<Contour>& contours, Point p) {
  int winding = 0;
  for (const Contour& contour : contours)
    for (std::size_t i = 0; i < contour.size(); ++i) {
      const Point a = contour[i], b = contour[(i + 1) % contour.size()];
      if (a.y <= p.y) {
        if (b.y > p.y && cross(a, b, p) > 0) ++winding;
      } else if (b.y <= p.y && cross(a, b, p) < 0) {
        --winding;
      }
    }
  return winding;
}

bool filled(int winding, bool evenOdd) {
  return evenOdd ? (winding & 1) != 0 : winding != 0;
}

Point normalised(Point p) {
  const double l = length(p);
  return l > 0 ? Point{p.x / l, p.y / l} : Point{0, 0};
}

// Which side of a contour the ink lies on: TrueType runs outer contours clockwise, CFF
// counter-clockwise, and a font may mix; asking the fill rule itself settles it per contour.
bool inkOnLeft(const std::vector<Contour>& contours, const Contour& contour, bool evenOdd) {
  std::size_t longest = 0;
  double longestLength = -1;
  for (std::size_t i = 0; i < contour.size(); ++i) {
    const Point a = contour[i], b = contour[(i + 1) % contour.size()];
    const double l = length({b.x - a.x, b.y - a.y});
    if (l > longestLength) longestLength = l, longest = i;
  }
  const Point a = contour[longest], b = contour[(longest + 1) % contour.size()];
  const Point left = normalised({a.y - b.y, b.x - a.x});
  const double step = std::min(1e-4, 0.25 * longestLength);
  const Point middle{0.5 * (a.x + b.x), 0.5 * (a.y + b.y)};
  const bool leftInk = filled(
      windingNumber(contours, {middle.x + step * left.x, middle.y + step * left.y}), evenOdd);
  const bool rightInk = filled(
      windingNumber(contours, {middle.x - step * left.x, middle.y - step * left.y}), evenOdd);
  if (leftInk != rightInk) return leftInk;
  // An edge buried inside ink or lost in empty space: fall back on its own turning sense.
  double area = 0;
  for (std::size_t i = 0; i < contour.size(); ++i)
    area += cross({0, 0}, contour[i], contour[(i + 1) % contour.size()]);
  return area > 0;
}

void addWalls(const std::vector<Contour>& contours, const Contour& contour, bool evenOdd,
              std::vector<Wall>& walls) {
  const std::size_t n = contour.size();
  const bool leftInk = inkOnLeft(contours, contour, evenOdd);
  // Outward normal of each edge i (from point i to point i + 1).
  std::vector<Point> edgeNormal(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Point a = contour[i], b = contour[(i + 1) % n];
    const Point right = normalised({b.y - a.y, a.x - b.x});
    edgeNormal[i] = leftInk ? right : Point{-right.x, -right.y};
  }
  // Joints turning by less than this are curve flattening, shaded smooth; others are corners.
  const double smoothCosine = std::cos(40.0 * 3.14159265358979 / 180.0);
  std::vector<Point> jointNormal(n);
  std::vector<bool> smooth(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Point before = edgeNormal[(i + n - 1) % n], after = edgeNormal[i];
    smooth[i] = before.x * after.x + before.y * after.y >= smoothCosine;
    jointNormal[i] = normalised({before.x + after.x, before.y + after.y});
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t j = (i + 1) % n;
    Wall wall{contour[i], contour[j], smooth[i] ? jointNormal[i] : edgeNormal[i],
              smooth[j] ? jointNormal[j] : edgeNormal[i]};
    if (!leftInk) {
      std::swap(wall.a, wall.b);
      std::swap(wall.normalA, wall.normalB);
    }
    walls.push_back(wall);
  }
}

}  // namespace

std::vector<Contour> flattenOutline(const FT_Outline& outline, double scale, double tolerance) {
  std::vector<Contour> contours;
  Flattener flattener{&contours, scale, std::max(tolerance, 1e-6)};
  FT_Outline_Funcs funcs{};
  funcs.move_to = moveTo;
  funcs.line_to = lineTo;
  funcs.conic_to = conicTo;
  funcs.cubic_to = cubicTo;
  FT_Outline copy = outline;  // Decompose takes a non-const pointer but only reads
  if (FT_Outline_Decompose(&copy, &funcs, &flattener) != 0) contours.clear();
  std::vector<Contour> closed;
  for (Contour& contour : contours) {
    while (contour.size() > 1 && contour.back().x == contour.front().x &&
           contour.back().y == contour.front().y)
      contour.pop_back();
    if (contour.size() >= 3) closed.push_back(std::move(contour));
  }
  return closed;
}

Mesh meshContours(const std::vector<Contour>& contours, bool evenOdd) {
  Mesh mesh;
  if (contours.empty()) return mesh;

  Tessellation t;
  GLUtesselator* tess = gluNewTess();
  if (!tess) {
    mesh.tessellationFailed = true;
  } else {
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, callback(tessBegin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, callback(tessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, callback(tessEnd));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, callback(tessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, callback(tessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, callback(tessError));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE,
                    evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessBeginPolygon(tess, &t);
    for (const Contour& contour : contours) {
      gluTessBeginContour(tess);
      for (const Point& p : contour) {
        t.vertices.push_back({{p.x, p.y, 0.0}});
        gluTessVertex(tess, t.vertices.back().xyz, &t.vertices.back());
      }
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    mesh.tessellationFailed = t.failed;
  }

  if (!mesh.tessellationFailed) {
    mesh.triangles.reserve(t.triangles.size());
    for (std::size_t i = 0; i + 2 < t.triangles.size(); i += 3) {
      const Point a = t.triangles[i], b = t.triangles[i + 1], c = t.triangles[i + 2];
      const double area = cross(a, b, c);
      if (area == 0.0) continue;  // slivers from touching contours draw nothing
      // Culling keeps counter-clockwise faces; do not rely on GLU's output sense.
      mesh.triangles.push_back(a);
      mesh.triangles.push_back(area > 0 ? b : c);
      mesh.triangles.push_back(area > 0 ? c : b);
    }
  }
  for (const Contour& contour : contours) addWalls(contours, contour, evenOdd, mesh.walls);
  return mesh;
}

}  // namespace platform
