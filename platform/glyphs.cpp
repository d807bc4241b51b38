// Fonts and glyph display lists: fontconfig maps a font description to a face, FreeType gives
// its bitmaps and outlines, GLU's tessellator fills the outlines.
#include <fontconfig/fontconfig.h>

#include "platform/glyphs_internal.h"
#include "platform/objects.h"
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>

namespace glyphs {
namespace {

// ---- Faces -------------------------------------------------------------------------------

struct LoadedFace {
  std::string key;
  FT_Face face = nullptr;  // null when the mapper found nothing usable
  std::string description;
};

FT_Library freetype() {
  static FT_Library library = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  return library;
}

// Faces live as long as the process, like the lists made from them; a font object only
// describes what it wants, so deleting one never pulls a face from under anything.
std::vector<std::unique_ptr<LoadedFace>>& faceCache() {
  static std::vector<std::unique_ptr<LoadedFace>> cache;
  return cache;
}

int openTypeWeight(int weight) {
  return weight <= 0 ? 400 : std::min(weight, 1000);
}

LoadedFace& loadFace(const HGDIOBJ__& font) {
  const std::string family = font.fontFace.empty() ? "sans-serif" : font.fontFace;
  const std::string key = family + "|" + std::to_string(openTypeWeight(font.fontWeight)) + "|" +
                          (font.fontItalic ? "i" : "r");
  for (auto& loaded : faceCache())
    if (loaded->key == key) return *loaded;

  faceCache().push_back(std::make_unique<LoadedFace>());
  LoadedFace& loaded = *faceCache().back();
  loaded.key = key;
  FT_Library library = freetype();
  if (!library || !FcInit()) return loaded;
#ifdef WAGGLER_WITHOUT_BOLD_FACE
  // Test variant: a system with no bold outline face, so the outline glyphs cannot be built.
  if (openTypeWeight(font.fontWeight) >= 600) return loaded;
#endif

  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return loaded;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(openTypeWeight(font.fontWeight)));
  FcPatternAddInteger(pattern, FC_SLANT, font.fontItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Outlines are needed for the extruded glyphs and serve the bitmaps as well.
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return loaded;

  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FT_Face face = nullptr;
    if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) == 0) {
      if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
        loaded.face = face;
        loaded.description = std::string(face->family_name ? face->family_name : "?") + " " +
                             (face->style_name ? face->style_name : "?") + " (" +
                             reinterpret_cast<const char*>(file) + ")";
      } else {
        FT_Done_Face(face);
      }
    }
  }
  FcPatternDestroy(match);
  return loaded;
}

// A fresh device context has the system font selected, as on Windows.
HGDIOBJ__& stockSystemFont() {
  static HGDIOBJ__ font = [] {
    HGDIOBJ__ f;
    f.kind = HGDIOBJ__::Kind::font;
    // About 16 pixels from ascender to descender, like the Windows system font.
    f.fontHeight = 16;
    f.fontWeight = 400;
    f.stockFont = true;
    return f;
  }();
  return font;
}

const HGDIOBJ__* selectedFont(HDC dc) {
  const HGDIOBJ__* font = dc->font ? dc->font : &stockSystemFont();
  return font->kind == HGDIOBJ__::Kind::font ? font : nullptr;
}

FT_Face faceOf(HDC dc) {
  if (!dc) return nullptr;
  const HGDIOBJ__* font = selectedFont(dc);
  return font ? loadFace(*font).face : nullptr;
}

// Without a current context GL calls do nothing, and glGetString answers null.
bool glContextCurrent() {
  return glGetString(GL_VERSION) != nullptr;
}

bool listRangeValid(DWORD count, DWORD listBase) {
  return listBase != 0 && static_cast<unsigned long long>(listBase) + count - 1 <= 0xffffffffull;
}

FT_UInt glyphIndexFor(FT_Face face, unsigned long code) {
  const unsigned long character = unicodeForCode(code);
  if (character == 0 && code != 0) return 0;
  return FT_Get_Char_Index(face, character);
}

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

// ---- Display lists -----------------------------------------------------------------------

std::size_t outlineTriangles = 0;

// Windows-1252 codes 0x80 to 0x9F; 0 marks the five the code page leaves undefined.
const unsigned short windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Cell height (ascender to descender, as Windows measures a positive font height) in em.
double cellHeightPerEm(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double units = 0;
  if (os2 && os2->version != 0xFFFF) units = double(os2->usWinAscent) + os2->usWinDescent;
  if (units <= 0) units = double(face->ascender) - face->descender;
  if (units <= 0) units = face->units_per_EM;
  return units / face->units_per_EM;
}

bool sizeForBitmaps(FT_Face face, int height) {
  double pixelsPerEm;
  if (height > 0)
    pixelsPerEm = height / cellHeightPerEm(face);
  else if (height < 0)
    pixelsPerEm = -static_cast<double>(height);
  else
    pixelsPerEm = stockSystemFont().fontHeight / cellHeightPerEm(face);
  const FT_UInt ppem = static_cast<FT_UInt>(std::clamp(std::lround(pixelsPerEm), 1L, 1000L));
  return FT_Set_Pixel_Sizes(face, 0, ppem) == 0;
}

// One glyph as glBitmap wants it: rows bottom-up, packed to bytes, most significant bit first.
void bitmapGlyph(const FT_Bitmap& bitmap, std::vector<GLubyte>& bits) {
  const unsigned width = bitmap.width, rows = bitmap.rows;
  const unsigned stride = (width + 7) / 8;
  bits.assign(static_cast<std::size_t>(stride) * rows, 0);
  if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  const int pitch = bitmap.pitch;
  for (unsigned row = 0; row < rows; ++row) {
    // FreeType's rows run top-down whatever the sign of the pitch; GL's run bottom-up.
    const unsigned char* source =
        pitch >= 0 ? bitmap.buffer + static_cast<std::size_t>(row) * pitch
                   : bitmap.buffer + static_cast<std::size_t>(rows - 1 - row) * -pitch;
    GLubyte* target = bits.data() + static_cast<std::size_t>(rows - 1 - row) * stride;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      std::copy(source, source + stride, target);
    } else {
      for (unsigned x = 0; x < width; ++x)
        if (source[x] >= 128) target[x / 8] |= static_cast<GLubyte>(0x80 >> (x % 8));
    }
  }
}

void emitPolygons(const Mesh& mesh, float extrusion) {
  const auto vertex = [](Point p, float z) {
    glVertex3f(static_cast<float>(p.x), static_cast<float>(p.y), z);
  };
  if (!mesh.triangles.empty()) {
    glBegin(GL_TRIANGLES);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const Point& p : mesh.triangles) vertex(p, 0.0f);
    if (extrusion != 0.0f) {
      // The back face is the front one mirrored: the same triangles, turned the other way.
      glNormal3f(0.0f, 0.0f, -1.0f);
      for (std::size_t i = 0; i + 2 < mesh.triangles.size(); i += 3) {
        vertex(mesh.triangles[i], -extrusion);
        vertex(mesh.triangles[i + 2], -extrusion);
        vertex(mesh.triangles[i + 1], -extrusion);
      }
    }
    glEnd();
  }
  if (extrusion != 0.0f && !mesh.walls.empty()) {
    glBegin(GL_QUADS);
    for (const Wall& wall : mesh.walls) {
      glNormal3f(static_cast<float>(wall.normalA.x), static_cast<float>(wall.normalA.y), 0.0f);
      vertex(wall.a, 0.0f);
      vertex(wall.a, -extrusion);
      glNormal3f(static_cast<float>(wall.normalB.x), static_cast<float>(wall.normalB.y), 0.0f);
      vertex(wall.b, -extrusion);
      vertex(wall.b, 0.0f);
    }
    glEnd();
  }
}

std::size_t triangleCount(const Mesh& mesh, float extrusion) {
  const std::size_t faces = mesh.triangles.size() / 3;
  if (extrusion == 0.0f) return faces;
  return 2 * faces + 2 * mesh.walls.size();
}

void emitLines(const std::vector<Contour>& contours) {
  for (const Contour& contour : contours) {
    glBegin(GL_LINE_LOOP);
    for (const Point& p : contour) glVertex3f(static_cast<float>(p.x), static_cast<float>(p.y), 0);
    glEnd();
  }
}

// Default chord tolerance in em: glyphs reach about 90 scene units per em, some 110 pixels
// per em on a 400-pixel window, so this keeps every chord within a fifth of a pixel.
constexpr double defaultTolerance = 0.002;

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

unsigned long unicodeForCode(unsigned long code) {
  if (code >= 0x80 && code <= 0x9F) return windows1252High[code - 0x80];
  return code;  // ASCII and Latin-1 coincide with Unicode; above 255 is Unicode already
}

FT_Face faceFor(HGDIOBJ font) {
  if (!font || font->kind != HGDIOBJ__::Kind::font) return nullptr;
  return loadFace(*font).face;
}

std::string faceDescription(HGDIOBJ font) {
  if (!font || font->kind != HGDIOBJ__::Kind::font) return "";
  return loadFace(*font).description;
}

std::size_t lastOutlineTriangleCount() {
  return outlineTriangles;
}

}  // namespace glyphs

using namespace glyphs;

HGDIOBJ GetStockObject(int which) {
  return which == SYSTEM_FONT ? &stockSystemFont() : nullptr;
}

HFONT CreateFontA(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight,
                  DWORD italic, DWORD /*underline*/, DWORD /*strikeOut*/, DWORD /*charSet*/,
                  DWORD /*outputPrecision*/, DWORD /*clipPrecision*/, DWORD /*quality*/,
                  DWORD /*pitchAndFamily*/, LPCSTR faceName) {
  // Only scalable faces are mapped, so a TrueType preference is always met when possible.
  auto* font = new HGDIOBJ__();
  liveGdiObjects().push_back(font);
  font->kind = HGDIOBJ__::Kind::font;
  font->fontHeight = height;
  font->fontWeight = weight;
  font->fontItalic = italic != 0;
  font->fontFace = faceName ? faceName : "";
  return font;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object || object->kind != HGDIOBJ__::Kind::font) return nullptr;
  HGDIOBJ previous = dc->font ? dc->font : &stockSystemFont();
  dc->font = object;
  return previous;
}

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
  if (!glContextCurrent() || !listRangeValid(count, listBase)) return FALSE;
  FT_Face face = faceOf(dc);
  if (!face || !sizeForBitmaps(face, selectedFont(dc)->fontHeight)) return FALSE;

  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);

  std::vector<GLubyte> bits;
  for (DWORD i = 0; i < count; ++i) {
    GLsizei width = 0, rows = 0;
    GLfloat originX = 0, originY = 0, advance = 0;
    bits.clear();
    const FT_UInt index = glyphIndexFor(face, first + i);
    if (index != 0 && FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        bitmapGlyph(slot->bitmap, bits);
        width = static_cast<GLsizei>(slot->bitmap.width);
        rows = static_cast<GLsizei>(slot->bitmap.rows);
        originX = static_cast<GLfloat>(-slot->bitmap_left);
        originY = static_cast<GLfloat>(rows - slot->bitmap_top);
      }
      advance = static_cast<GLfloat>((slot->advance.x + 32) >> 6);
    }
    // Mesa loses the raster move of a glBitmap compiled with no data, hence a dummy byte.
    if (bits.empty()) bits.push_back(0), width = 0, rows = 0;
    glNewList(listBase + i, GL_COMPILE);
    glBitmap(width, rows, originX, originY, advance, 0.0f, bits.data());
    glEndList();
  }
  glPopClientAttrib();
  return TRUE;
}

BOOL wglUseFontOutlinesA(HDC dc, DWORD first, DWORD count, DWORD listBase, FLOAT deviation,
                         FLOAT extrusion, int format, LPGLYPHMETRICSFLOAT metrics) {
  if (format != WGL_FONT_POLYGONS && format != WGL_FONT_LINES) return FALSE;
  if (!glContextCurrent() || !listRangeValid(count, listBase)) return FALSE;
  FT_Face face = faceOf(dc);
  if (!face) return FALSE;

  const double scale = 1.0 / face->units_per_EM;
  const double tolerance = deviation > 0.0f ? deviation : defaultTolerance;
  std::size_t triangles = 0;
  for (DWORD i = 0; i < count; ++i) {
    GLYPHMETRICSFLOAT glyphMetrics{};
    std::vector<Contour> contours;
    bool evenOdd = false;
    const FT_UInt index = glyphIndexFor(face, first + i);
    const FT_Int32 flags =
        FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM;
    if (index != 0 && FT_Load_Glyph(face, index, flags) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      // Unscaled loads report advances in font units.
      glyphMetrics.gmfCellIncX = static_cast<FLOAT>(slot->metrics.horiAdvance * scale);
      if (slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0) {
        FT_BBox box;
        if (FT_Outline_Get_BBox(&slot->outline, &box) == 0) {
          glyphMetrics.gmfBlackBoxX = static_cast<FLOAT>((box.xMax - box.xMin) * scale);
          glyphMetrics.gmfBlackBoxY = static_cast<FLOAT>((box.yMax - box.yMin) * scale);
          glyphMetrics.gmfptGlyphOrigin.x = static_cast<FLOAT>(box.xMin * scale);
          glyphMetrics.gmfptGlyphOrigin.y = static_cast<FLOAT>(box.yMax * scale);
        }
        contours = flattenOutline(slot->outline, scale, tolerance);
        evenOdd = (slot->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
      }
    }
    glNewList(listBase + i, GL_COMPILE);
    if (format == WGL_FONT_POLYGONS) {
      const Mesh mesh = meshContours(contours, evenOdd);
      emitPolygons(mesh, extrusion);
      // Every list, even an empty glyph's, leaves the front face's normal current, as the
      // .exe's lists do under Wine: what is lit next must not depend on the last glyph's walls.
      glNormal3f(0.0f, 0.0f, 1.0f);
      triangles += triangleCount(mesh, extrusion);
    } else {
      emitLines(contours);
    }
    glTranslatef(glyphMetrics.gmfCellIncX, 0.0f, 0.0f);
    glEndList();
    if (metrics) metrics[i] = glyphMetrics;
  }
  outlineTriangles = triangles;
  return TRUE;
}
