// Times building the clock's glyph lists (256 bitmap glyphs of the system font, 255 extruded
// outline glyphs of the bold font) in an offscreen context, and counts the triangles.
// Usage: glyph_build [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness/offscreen_gl.h"
#include "platform/linux/font_mapping.h"
#include "platform/linux/glyph_lists.h"

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

struct Timing {
  double bitmaps, outlines;
};

// One build as setupFonts does it, lists and all; the lists are deleted afterwards.
Timing buildOnce(HDC dc, HFONT bold) {
  GLYPHMETRICSFLOAT metrics[256] = {};
  Timing timing{};
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  const GLuint bitmapBase = glGenLists(256);
  auto start = std::chrono::steady_clock::now();
  const BOOL bitmapsMade = wglUseFontBitmapsA(dc, 0, 256, bitmapBase);
  glFinish();
  timing.bitmaps = millisecondsSince(start);

  SelectObject(dc, bold);
  const GLuint outlineBase = glGenLists(256);
  start = std::chrono::steady_clock::now();
  const BOOL outlinesMade =
      wglUseFontOutlinesA(dc, 0, 255, outlineBase, 0.0f, 0.1f, WGL_FONT_POLYGONS, metrics);
  glFinish();
  timing.outlines = millisecondsSince(start);
  if (!bitmapsMade || !outlinesMade) {
    std::fprintf(stderr, "building the lists failed (bitmaps %d, outlines %d)\n", bitmapsMade,
                 outlinesMade);
    std::exit(1);
  }
  glDeleteLists(bitmapBase, 256);
  glDeleteLists(outlineBase, 256);
  return timing;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::string reason;
  if (!createOffscreenGL(400, 400, reason)) {
    std::fprintf(stderr, "no offscreen GL: %s\n", reason.c_str());
    return 1;
  }
  std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

  const HDC dc = GetDC(nullptr);  // a screen DC selects fonts as the window's does
  const HFONT bold =
      CreateFontA(12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                  ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);

  // The first build also maps the fonts and opens the faces, as at the clock's start-up.
  const Timing first = buildOnce(dc, bold);
  std::vector<double> bitmaps, outlines, totals;
  for (int i = 0; i < repeats; ++i) {
    const Timing t = buildOnce(dc, bold);
    bitmaps.push_back(t.bitmaps);
    outlines.push_back(t.outlines);
    totals.push_back(t.bitmaps + t.outlines);
  }

  std::printf("system font: %s\n", platform::faceDescription(GetStockObject(SYSTEM_FONT)).c_str());
  std::printf("bold font:   %s\n", platform::faceDescription(bold).c_str());
  std::printf("first build (with font mapping): bitmaps %.2f ms, outlines %.2f ms, total %.2f ms\n",
              first.bitmaps, first.outlines, first.bitmaps + first.outlines);
  std::printf("median of %d builds: bitmaps %.2f ms, outlines %.2f ms, total %.2f ms\n", repeats,
              median(bitmaps), median(outlines), median(totals));
  std::printf("outline triangles: %zu (faces and walls, 255 glyphs)\n",
              platform::lastOutlineTriangleCount());
  destroyOffscreenGL();
  return 0;
}
