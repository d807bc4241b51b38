// Glyph display lists: wglUseFontBitmapsA's glBitmap lists from FreeType's bitmaps, and
// wglUseFontOutlinesA's extruded (or traced) outline glyphs with their metrics.
#include "platform/linux/glyph_lists.h"

#include <algorithm>
#include <cmath>

#include "platform/linux/desktop_scale.h"
#include "platform/linux/font_mapping.h"
#include "platform/linux/gdi_objects.h"
#include "platform/linux/outline_geometry.h"
#include "platform/linux/window.h"
#include FT_OUTLINE_H
#include FT_BBOX_H
#include FT_TRUETYPE_TABLES_H

namespace platform {
namespace {

FT_Face faceOf(HDC dc) {
  return dc ? faceFor(selectedFont(dc)) : nullptr;
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

// The stock system font is drawn at the desktop's scale, as Windows makes its own at the
// system's; a font made with a height has it in the screen's pixels, as on Windows for a program
// aware of the scale.
bool sizeForBitmaps(FT_Face face, const HGDIOBJ__& font) {
  double pixelsPerEm;
  if (font.stockFont || font.fontHeight == 0)
    pixelsPerEm = toScreenPixels(font.stockFont ? font.fontHeight : systemFontHeight()) /
                  cellHeightPerEm(face);
  else if (font.fontHeight > 0)
    pixelsPerEm = font.fontHeight / cellHeightPerEm(face);
  else
    pixelsPerEm = -static_cast<double>(font.fontHeight);
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

unsigned long unicodeForCode(unsigned long code) {
  if (code >= 0x80 && code <= 0x9F) return windows1252High[code - 0x80];
  return code;  // ASCII and Latin-1 coincide with Unicode; above 255 is Unicode already
}

std::size_t lastOutlineTriangleCount() {
  return outlineTriangles;
}

}  // namespace platform

using namespace platform;

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
  if (!glContextCurrent() || !listRangeValid(count, listBase)) return FALSE;
  FT_Face face = faceOf(dc);
  if (!face || !sizeForBitmaps(face, *selectedFont(dc))) return FALSE;

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

DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, LPGLYPHMETRICS metrics, DWORD size,
                       LPVOID buffer, const MAT2*) {
  if (format != GGO_BITMAP || !metrics || size != 0 || buffer) return GDI_ERROR;
  FT_Face face = faceOf(dc);
  if (!face || !sizeForBitmaps(face, *selectedFont(dc))) return GDI_ERROR;
  // An empty glyph, as Windows measures one: a black box of one pixel, no bytes.
  *metrics = {1, 1, {0, 0}, 0, 0};
  const FT_UInt index = glyphIndexFor(face, code);
  if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
    return 0;  // the same empty glyph with no advance as wglUseFontBitmapsA's list
  const FT_GlyphSlot slot = face->glyph;
  metrics->gmCellIncX = static_cast<short>((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bitmap = slot->bitmap;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP || bitmap.width == 0 || bitmap.rows == 0) return 0;
  metrics->gmBlackBoxX = bitmap.width;
  metrics->gmBlackBoxY = bitmap.rows;
  metrics->gmptGlyphOrigin = {slot->bitmap_left, slot->bitmap_top};
  // Rows of whole 32-bit words, as GDI lays out a glyph's bitmap.
  return (bitmap.width + 31) / 32 * 4 * bitmap.rows;
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
