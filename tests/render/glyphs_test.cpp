// Glyph display lists of the stand-in: fonts picked through fontconfig, FreeType bitmaps in
// glBitmap lists, and extruded outline glyphs with their metrics, drawn offscreen.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "harness/offscreen_gl.h"
#include "platform/linux/font_mapping.h"
#include "platform/linux/glyph_lists.h"
#include "platform/linux/window.h"

namespace {

using pictures::Picture;

const int size = 400;

class Glyph : public ::testing::Test {
 protected:
  static inline GLuint bitmapBase = 0, outlineBase = 0;
  static inline GLYPHMETRICSFLOAT metrics[256];
  static inline HFONT bold = nullptr;
  // The clock's DC is its window's; a screen DC selects fonts the same way.
  static inline HDC screen = nullptr;

  static void SetUpTestSuite() {
    std::string reason;
    destroyOffscreenGL();
    ASSERT_TRUE(createOffscreenGL(size, size, reason)) << reason;
    screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    // As the clock does it: bitmaps of the system font, outlines of a bold TrueType font.
    SelectObject(screen, GetStockObject(SYSTEM_FONT));
    bitmapBase = glGenLists(256);
    ASSERT_TRUE(wglUseFontBitmapsA(screen, 0, 256, bitmapBase));
    outlineBase = glGenLists(256);
    bold =
        CreateFontA(12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
    SelectObject(screen, bold);
    // Entry 255 must stay as it was: fill it with something recognisable.
    std::memset(metrics, 0, sizeof metrics);
    metrics[255].gmfCellIncX = 12345.0f;
    ASSERT_TRUE(
        wglUseFontOutlinesA(screen, 0, 255, outlineBase, 0.0f, 0.1f, WGL_FONT_POLYGONS, metrics));
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  static void TearDownTestSuite() {
    ReleaseDC(nullptr, screen);
    destroyOffscreenGL();
  }

  void SetUp() override {
    glViewport(0, 0, size, size);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    // The clock culls back faces with counter-clockwise front faces.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glColor3f(1, 1, 1);
    // One unit is one pixel, the origin at the centre; depth wide enough for any turn.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-size / 2.0, size / 2.0, -size / 2.0, size / 2.0, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }

  static const GLYPHMETRICSFLOAT& of(unsigned char c) { return metrics[c]; }

  // Draws one outline glyph at `scale` pixels per em with its inked box centred on the origin.
  static void drawCentred(unsigned char c, float scale) {
    const GLYPHMETRICSFLOAT& m = of(c);
    glScalef(scale, scale, scale);
    glTranslatef(-(m.gmfptGlyphOrigin.x + 0.5f * m.gmfBlackBoxX),
                 -(m.gmfptGlyphOrigin.y - 0.5f * m.gmfBlackBoxY), 0.0f);
    glCallList(outlineBase + c);
  }

  // Whether the pixel at GL's (x, y) of the frame is bright enough to be a glyph's.
  static bool ink(const Picture& frame, int x, int y) {
    const pictures::Rgb p = glPixel(frame, x, y);
    return p.r + p.g + p.b > 300;
  }
  static bool inkNow(int x, int y) { return ink(readPicture(size, size), x, y); }

  // Runs of ink and of background along a column, from bottom to top, as alternating lengths
  // starting with background.
  static std::vector<int> runsInColumn(int x) {
    const Picture frame = readPicture(size, size);
    std::vector<int> runs{0};
    bool inInk = false;
    for (int y = 0; y < size; ++y) {
      const bool here = ink(frame, x, y);
      if (here != inInk) runs.push_back(0), inInk = here;
      ++runs.back();
    }
    return runs;
  }

  // The inked pixels of a row of the frame: the first and last (-1 when none) and how many.
  struct Span {
    int first = -1, last = -1, count = 0;
    int width() const { return first < 0 ? 0 : last - first + 1; }
  };
  static Span inkInRow(const Picture& frame, int y) {
    Span span;
    for (int x = 0; x < size; ++x)
      if (ink(frame, x, y)) {
        if (span.first < 0) span.first = x;
        span.last = x;
        ++span.count;
      }
    return span;
  }
  static Span inkInRow(int y) { return inkInRow(readPicture(size, size), y); }

  static float rasterX() {
    GLfloat position[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return position[0];
  }
};

}  // namespace

TEST_F(Glyph, FontMapperGivesABoldSansForTheOutlinesAndARegularOneForTheSystemFont) {
  const std::string boldFace = platform::faceDescription(bold);
  const std::string systemFace = platform::faceDescription(GetStockObject(SYSTEM_FONT));
  ASSERT_FALSE(boldFace.empty());
  ASSERT_FALSE(systemFace.empty());
  EXPECT_NE(boldFace.find("Bold"), std::string::npos) << boldFace;
  EXPECT_EQ(systemFace.find("Bold"), std::string::npos) << systemFace;
  EXPECT_EQ(boldFace.find("Serif"), std::string::npos) << boldFace;
  EXPECT_EQ(boldFace.find("Mono"), std::string::npos) << boldFace;
}

TEST_F(Glyph, SelectObjectReturnsThePreviousFont) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ system = GetStockObject(SYSTEM_FONT);
  // A fresh DC holds the system font, as on Windows.
  EXPECT_EQ(SelectObject(dc, bold), system);
  EXPECT_EQ(SelectObject(dc, system), bold);
  EXPECT_EQ(dc->font, system);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(dc->font, system);
  ReleaseDC(nullptr, dc);
}

TEST_F(Glyph, NoFontToBeHadMeansNoLists) {
  // With a font mapper that knows no fonts at all, a font not asked for before maps to nothing.
  FcConfig* const original = FcConfigReference(nullptr);
  FcConfig* const empty = FcConfigCreate();
  ASSERT_TRUE(FcConfigSetCurrent(empty));
  HFONT font =
      CreateFontA(20, 0, 0, 0, 300, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                  ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Nowhere Sans");
  HDC dc = GetDC(nullptr);
  SelectObject(dc, font);
  const GLuint base = glGenLists(4);
  GLYPHMETRICSFLOAT m[4] = {};
  EXPECT_FALSE(wglUseFontBitmapsA(dc, 'A', 4, base));
  EXPECT_FALSE(wglUseFontOutlinesA(dc, 'A', 4, base, 0.0f, 0.1f, WGL_FONT_POLYGONS, m));
  EXPECT_EQ(platform::faceDescription(font), "");
  FcConfigSetCurrent(original);
  FcConfigDestroy(original);
  FcConfigDestroy(empty);
  glDeleteLists(base, 4);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Glyph, MetricsAreInEmUnitsAndPlausible) {
  EXPECT_GT(of('W').gmfCellIncX, of('i').gmfCellIncX);
  EXPECT_GT(of('W').gmfCellIncX, 0.7f);
  EXPECT_LT(of('W').gmfCellIncX, 1.2f);
  // Figures stand about 0.7 em tall on the baseline.
  EXPECT_NEAR(of('1').gmfBlackBoxY, 0.72f, 0.06f);
  EXPECT_NEAR(of('1').gmfptGlyphOrigin.y, of('1').gmfBlackBoxY, 0.01f);
  // All the figures share one advance, so the digital time does not jitter.
  for (unsigned char c = '0'; c <= '9'; ++c)
    EXPECT_FLOAT_EQ(of(c).gmfCellIncX, of('0').gmfCellIncX) << c;
  // 'g' descends below the baseline.
  EXPECT_LT(of('g').gmfptGlyphOrigin.y - of('g').gmfBlackBoxY, -0.1f);
  for (int c = 0; c < 255; ++c) EXPECT_EQ(of(static_cast<unsigned char>(c)).gmfCellIncY, 0.0f);
  // A space advances but has no ink.
  EXPECT_GT(of(' ').gmfCellIncX, 0.2f);
  EXPECT_LT(of(' ').gmfCellIncX, 0.5f);
  EXPECT_EQ(of(' ').gmfBlackBoxX, 0.0f);
  EXPECT_EQ(of(' ').gmfBlackBoxY, 0.0f);
}

TEST_F(Glyph, Code255IsNotWritten) {
  EXPECT_EQ(of(255).gmfCellIncX, 12345.0f);
  EXPECT_EQ(of(255).gmfBlackBoxY, 0.0f);
  // Its list is reserved but empty: calling it neither draws nor moves.
  glCallList(outlineBase + 255);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[12], 0.0f);
  EXPECT_FALSE(inkNow(size / 2, size / 2));
}

TEST_F(Glyph, EachOutlineListTranslatesByItsAdvanceAndEndsOnTheFrontNormal) {
  // The normal a list leaves lights what is drawn next (the credit line after the digital
  // time): it must not depend on the glyph.
  for (const unsigned char c : std::string("W1i:. 0689")) {
    glLoadIdentity();
    glNormal3f(1.0f, 0.0f, 0.0f);
    glCallList(outlineBase + c);
    GLfloat m[16], normal[3];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], of(c).gmfCellIncX) << c;
    EXPECT_EQ(m[13], 0.0f) << c;
    EXPECT_EQ(m[14], 0.0f) << c;
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_EQ(normal[0], 0.0f) << c;
    EXPECT_EQ(normal[1], 0.0f) << c;
    EXPECT_EQ(normal[2], 1.0f) << c;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Glyph, FilledEightHasItsTwoHolesOpen) {
  drawCentred('8', 300.0f);
  // The column through the middle crosses bottom bowl, waist and top bowl, with the two holes
  // between them left open.
  const std::vector<int> runs = runsInColumn(size / 2);
  ASSERT_EQ(runs.size(), 7u) << "background/ink runs up the middle of the 8, "
                             << saveFrame("glyph_eight", size, size);
  for (std::size_t i = 1; i < runs.size() - 1; ++i) EXPECT_GT(runs[i], 15) << "run " << i;
  // The whole column from bottom ink to top ink spans the glyph's height.
  const int inked = size - runs.front() - runs.back();
  EXPECT_NEAR(inked, 300.0f * of('8').gmfBlackBoxY, 3.0f);
}

TEST_F(Glyph, CountersOfOAndAStayOpen) {
  glPushMatrix();
  glTranslatef(-100, 0, 0);
  drawCentred('o', 250.0f);
  glPopMatrix();
  EXPECT_FALSE(inkNow(size / 2 - 100, size / 2)) << "hole of o";
  EXPECT_TRUE(inkNow(size / 2 - 100 - 55, size / 2)) << "left stroke of o";
  glPushMatrix();
  glTranslatef(100, 0, 0);
  drawCentred('A', 250.0f);
  glPopMatrix();
  // Up the middle of the A: open between the legs, the bar, the counter open, the apex.
  const std::vector<int> runs = runsInColumn(size / 2 + 100);
  ASSERT_EQ(runs.size(), 5u) << saveFrame("glyph_o_a", size, size);
  EXPECT_GT(runs[2], 15);  // the bar
  EXPECT_GT(runs[3], 15);  // the counter
}

TEST_F(Glyph, BackFaceAndWallsCloseTheExtrusionBehindTheFront) {
  const float scale = 400.0f;  // 0.1 em deep is 40 pixels
  // Seen from the side (turned about y), the walls facing the viewer survive culling and the
  // glyph shows its depth; the front face at z = 0 lands on x = 0, the back at -0.1 to the left.
  glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
  drawCentred('I', scale);
  const Span side = inkInRow(size / 2);
  EXPECT_NEAR(side.width(), 0.1f * scale, 2.0f) << saveFrame("glyph_i_side", size, size);
  EXPECT_NEAR(side.last, size / 2, 2.0f);

  // From behind, the back face is counter-clockwise and draws.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
  drawCentred('O', 250.0f);
  const int halfWidth = static_cast<int>(0.5f * 250.0f * of('O').gmfBlackBoxX);
  EXPECT_TRUE(inkNow(size / 2 - halfWidth + 10, size / 2)) << "back of O";
  EXPECT_FALSE(inkNow(size / 2, size / 2)) << "hole of O from behind";

  // Drawing only faces that point away from the viewer shows the back face's inside at
  // z = -0.1 when looking from the front, so nothing faces the wrong way outside.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glCullFace(GL_FRONT);
  drawCentred('I', scale);
  float depth = 0;
  glReadPixels(size / 2, size / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  // Window depth 0..1 maps eye z from +1000 (near) to -1000 (far).
  const float eyeZ = 1000.0f - 2000.0f * depth;
  EXPECT_NEAR(eyeZ, -0.1f * scale, 0.5f);
  glCullFace(GL_BACK);
}

TEST_F(Glyph, SideWallsAreLitFromOutside) {
  // A light from +x brightens only walls whose normals point that way: the right side of 'I'.
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  const GLfloat direction[] = {1, 0, 0, 0}, white[] = {1, 1, 1, 1}, black[] = {0, 0, 0, 1};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
  glEnable(GL_NORMALIZE);  // the glyph is scaled up from em units
  // Look at the glyph from its right (turned -90 about y): the right wall faces the eye.
  glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
  glLightfv(GL_LIGHT0, GL_POSITION, direction);  // in the glyph's own frame
  drawCentred('I', 400.0f);
  EXPECT_GT(inkInRow(size / 2).width(), 30);
  // From its left, the left wall faces the eye but away from the light: dark.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
  glLightfv(GL_LIGHT0, GL_POSITION, direction);
  drawCentred('I', 400.0f);
  EXPECT_EQ(inkInRow(size / 2).count, 0);
  const GLfloat defaultAmbient[] = {0.2f, 0.2f, 0.2f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
  glDisable(GL_NORMALIZE);
  glDisable(GL_LIGHTING);
}

TEST_F(Glyph, LineGlyphsTraceTheOutlineOnly) {
  const GLuint base = glGenLists(1);
  GLYPHMETRICSFLOAT m;
  ASSERT_TRUE(wglUseFontOutlinesA(screen, 'I', 1, base, 0.0f, 0.1f, WGL_FONT_LINES, &m));
  EXPECT_FLOAT_EQ(m.gmfCellIncX, of('I').gmfCellIncX);
  glScalef(300, 300, 300);
  glTranslatef(-(m.gmfptGlyphOrigin.x + 0.5f * m.gmfBlackBoxX),
               -(m.gmfptGlyphOrigin.y - 0.5f * m.gmfBlackBoxY), 0.0f);
  glCallList(base);
  // Across the middle of the stem: its two edges, nothing between them.
  const Span stem = inkInRow(size / 2);
  EXPECT_NEAR(stem.width(), 300.0f * m.gmfBlackBoxX, 3.0f);
  EXPECT_LE(stem.count, 4);
  glDeleteLists(base, 1);
}

TEST_F(Glyph, Windows1252CodesMapToTheirCharacters) {
  // 0xE9 is e acute: an e with an accent above it.
  EXPECT_FLOAT_EQ(of(0xE9).gmfCellIncX, of('e').gmfCellIncX);
  EXPECT_GT(of(0xE9).gmfBlackBoxY, of('e').gmfBlackBoxY + 0.1f);
  // 0x80 is the euro sign, 0x92 the right single quotation mark (small, high up).
  EXPECT_GT(of(0x80).gmfBlackBoxX, 0.4f);
  EXPECT_GT(of(0x92).gmfBlackBoxY, 0.1f);
  EXPECT_LT(of(0x92).gmfBlackBoxY, 0.4f);
  EXPECT_GT(of(0x92).gmfptGlyphOrigin.y - of(0x92).gmfBlackBoxY, 0.4f);
  // 0x81 is undefined in the code page: no glyph, no advance, but a list that can be called.
  EXPECT_EQ(of(0x81).gmfCellIncX, 0.0f);
  EXPECT_EQ(of(0x81).gmfBlackBoxY, 0.0f);
  EXPECT_TRUE(glIsList(outlineBase + 0x81));
  EXPECT_EQ(platform::unicodeForCode(0x92), 0x2019u);
}

TEST_F(Glyph, BitmapListsAdvanceTheRasterPositionAndStandOnTheBaseline) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, size, 0, size, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glRasterPos2i(20, 100);
  glCallList(bitmapBase + 'L');
  const float advanceL = rasterX() - 20.0f;
  EXPECT_GT(advanceL, 4.0f);
  EXPECT_LT(advanceL, 14.0f);
  // An L drawn the right way up is widest in its lowest row, which sits on the baseline.
  const Picture frame = readPicture(size, size);
  int lowest = -1, highest = -1;
  for (int y = 80; y < 130; ++y)
    if (inkInRow(frame, y).count) {
      if (lowest < 0) lowest = y;
      highest = y;
    }
  ASSERT_GE(lowest, 0) << "no ink from the bitmap L";
  EXPECT_EQ(lowest, 100);
  EXPECT_GE(highest - lowest + 1, 8);  // cap height of a 16-pixel cell
  EXPECT_GT(inkInRow(frame, lowest).width(), inkInRow(frame, highest).width());

  // An empty glyph still moves the raster position on.
  glRasterPos2i(20, 100);
  glCallList(bitmapBase + ' ');
  EXPECT_GT(rasterX(), 21.0f);

  // The credit line is placed for glyphs averaging about 7.5 pixels.
  const std::string text = "Waggler: a bee clock";
  glRasterPos2i(20, 200);
  glListBase(bitmapBase);
  glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
  glListBase(0);
  const float average = (rasterX() - 20.0f) / text.size();
  EXPECT_NEAR(average, 7.5f, 1.0f) << saveFrame("glyph_bitmaps", size, size);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Glyph, RenderedTextLooksRight) {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_NORMALIZE);
  const GLfloat direction[] = {0.4f, 0.6f, 1.0f, 0.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, direction);
  glColor3f(1.0f, 0.8f, 0.2f);
  glTranslatef(-190, 60, 0);
  glRotatef(-30, 0, 1, 0);
  glRotatef(20, 1, 0, 0);
  glScalef(50, 50, 50);
  const std::string line1 = "8oA \xE9\x80 12:34";
  glListBase(outlineBase);
  glCallLists(static_cast<GLsizei>(line1.size()), GL_UNSIGNED_BYTE, line1.data());
  glLoadIdentity();
  glTranslatef(-190, -80, 0);
  glScalef(50, 50, 50);
  const std::string line2 = "XII @&%gQ\x92";
  glCallLists(static_cast<GLsizei>(line2.size()), GL_UNSIGNED_BYTE, line2.data());
  glListBase(0);
  glDisable(GL_LIGHTING);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_NORMALIZE);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(0.7f, 0.7f, 0.7f);
  glRasterPos2f(1.0f - 20 * (15.0f / size), 30.0f / size - 1.0f);
  glListBase(bitmapBase);
  const std::string credit = "Waggler: a bee clock";
  glCallLists(static_cast<GLsizei>(credit.size()), GL_UNSIGNED_BYTE, credit.data());
  glListBase(0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // Against the picture this drawing made when it was checked by eye. A pixel differs beyond
  // 24 levels in a channel: llvmpipe on another CPU may shade the lit faces a few levels apart.
  // Up to 4 may, for the odd edge pixel of a turned glyph rounded the other way; one letter of
  // the credit swapped for another (o for u) already differs in 13.
  EXPECT_EQ(compareWithReference("glyph_text", size, size, 24, 4), "");
}

TEST(GlyphWithoutContext, ListsAreRefusedWithoutAContextOrADeviceContext) {
  destroyOffscreenGL();  // whatever an earlier test left current
  HDC dc = GetDC(nullptr);
  GLYPHMETRICSFLOAT metrics[4] = {};
  EXPECT_FALSE(wglUseFontBitmapsA(dc, 0, 4, 1));
  EXPECT_FALSE(wglUseFontOutlinesA(dc, 'A', 4, 1, 0.0f, 0.1f, WGL_FONT_POLYGONS, metrics));
  EXPECT_EQ(metrics[0].gmfCellIncX, 0.0f);
  ReleaseDC(nullptr, dc);
  std::string reason;
  ASSERT_TRUE(createOffscreenGL(64, 64, reason)) << reason;
  const GLuint base = glGenLists(4);
  EXPECT_FALSE(wglUseFontBitmapsA(nullptr, 0, 4, base));
  EXPECT_FALSE(wglUseFontOutlinesA(nullptr, 0, 4, base, 0.0f, 0.1f, WGL_FONT_POLYGONS, metrics));
  destroyOffscreenGL();
}
