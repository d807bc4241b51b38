// The glyph display lists (bitmap glyphs of the system font, extruded outlines of a bold
// face) and ScaledText, which draws a string centred with a drop shadow and a halo.
#include "text/fonts.h"

#include <vector>

#include "platform/dpi.h"
#include "platform/program_pixels.h"
#include "records/state.h"

namespace {
// Some GL drivers (Mesa 22.3 among them) drop a glBitmap without bitmap data when compiling it into
// a display list, and leave GL_OUT_OF_MEMORY behind; Wine's wglUseFontBitmapsA builds empty
// glyphs, the space among them, exactly so, and the credit line loses its spaces. Where that
// happened, each empty glyph's list is built again with a blank pixel and the same advance.
void mendEmptyBitmapGlyphs() {
  static const GLubyte blank[8] = {};  // one row of one pixel, whatever the unpack alignment
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  for (UINT code = 0; code < 256; ++code) {
    GLYPHMETRICS glyph = {};
    // As wglUseFontBitmapsA asks: a glyph is empty when its bitmap needs no bytes.
    if (GetGlyphOutlineA(clockState.hdc, code, GGO_BITMAP, &glyph, 0, nullptr, &identity) != 0)
      continue;
    glNewList(clockState.bitmapFontBase + code, GL_COMPILE);
    glBitmap(1, 1, 0.0f, 0.0f, glyph.gmCellIncX, glyph.gmCellIncY, blank);
    glEndList();
  }
}

// The bitmap glyph lists made so far, one set for each scale met (a window moved to another
// monitor, a screensaver's monitors of different scales).
struct GlyphsAtDpi {
  int dpi;
  GLuint base;
};
std::vector<GlyphsAtDpi> bitmapGlyphs;

// The system font's glyphs at `dpi` into the 256 lists at bitmapFontBase.
void buildBitmapGlyphs(int dpi) {
  SelectObject(clockState.hdc, systemFontAt(dpi));
  if (!wglUseFontBitmapsA(clockState.hdc, 0, 256, clockState.bitmapFontBase))
    MessageBoxA(clockState.hwnd, "Error - could not setup font bitmaps", "Error!", MB_OK);
  else if (glGetError() == GL_OUT_OF_MEMORY)
    mendEmptyBitmapGlyphs();
  bitmapGlyphs.push_back({dpi, clockState.bitmapFontBase});
}
}  // namespace

void setupFonts() {
  bitmapGlyphs.clear();  // a new set-up is a new context, whose lists are all new
  clockState.bitmapFontBase = glGenLists(256);
  buildBitmapGlyphs(clockSettings.dpi);

  clockState.outlineFontBase = glGenLists(256);
  HFONT font =
      CreateFontA(12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                  ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
  SelectObject(clockState.hdc, font);
  // 255 glyphs: code 255 keeps its reserved list undefined and its metrics zero.
  if (!wglUseFontOutlinesA(clockState.hdc, 0, 255, clockState.outlineFontBase, 0.0f, 0.1f,
                           WGL_FONT_POLYGONS, clockState.glyphMetrics))
    MessageBoxA(clockState.hwnd, "Error - could not setup font outlines", "Error!", MB_OK);
}

void useBitmapGlyphsAt(int dpi) {
  for (const GlyphsAtDpi& built : bitmapGlyphs)
    if (built.dpi == dpi) {
      clockState.bitmapFontBase = built.base;
      return;
    }
  clockState.bitmapFontBase = glGenLists(256);
  buildBitmapGlyphs(dpi);
}

void measureText(const std::string& text, float& width, float& height) {
  width = 0.0f;
  height = 0.0f;
  for (char ch : text) {
    const GLYPHMETRICSFLOAT& glyph = clockState.glyphMetrics[static_cast<unsigned char>(ch)];
    width += glyph.gmfCellIncX;
    if (glyph.gmfBlackBoxY > height) height = glyph.gmfBlackBoxY;
  }
}

void ScaledText(std::string text, float scaleX, float scaleY) {
  const GLsizei n = static_cast<GLsizei>(text.size());
  if (n == 0) return;
  // A minimised window has no pixels to offset the halo by; nothing would show anyway.
  if (clockSettings.windowWidth <= 0 || clockSettings.windowHeight <= 0) return;
  // Six program pixels, whatever the scale.
  const float haloPixels = toPhysicalLength(6.0f, clockSettings.dpi);
  const float haloOffsetX = haloPixels / static_cast<float>(clockSettings.windowWidth);
  const float haloOffsetY = haloPixels / static_cast<float>(clockSettings.windowHeight);
  const GLvoid* characters = text.data();

  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glPushMatrix();
  float width, height;
  measureText(text, width, height);
  glTranslatef(-0.5f * width * scaleX, -0.5f * height * scaleY, 0.0f);
  glScalef(scaleX, scaleY, 1.0f);
  glListBase(clockState.outlineFontBase);
  glDisable(GL_LIGHTING);

  // Shadow, right and down, opaque and depth-tested.
  glPushMatrix();
  glTranslatef(0.08f, -0.08f, 0.0f);
  float saved[4];
  glGetFloatv(GL_CURRENT_COLOR, saved);
  glColor4f(0.2f, 0.2f, 0.2f, 0.7f);
  glCallLists(n, GL_UNSIGNED_BYTE, characters);
  glColor4fv(saved);
  glPopMatrix();

  // Halo: four faint copies over everything, writing no depth.
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  float colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  colour[3] *= 0.33333334f;
  glColor4fv(colour);
  const float haloOffsets[4][2] = {
      {-haloOffsetX, 0.0f}, {haloOffsetX, 0.0f}, {0.0f, -haloOffsetY}, {0.0f, haloOffsetY}};
  for (const auto& offset : haloOffsets) {
    glPushMatrix();
    glTranslatef(offset[0], offset[1], 0.0f);
    glCallLists(n, GL_UNSIGNED_BYTE, characters);
    glPopMatrix();
  }
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);

  colour[3] *= 3.0f;
  glColor4fv(colour);
  glCallLists(n, GL_UNSIGNED_BYTE, characters);
  glEnable(GL_LIGHTING);
  glFrontFace(GL_CCW);
  glPopMatrix();
}
