// The frame, the viewing transform, the lights and the textures, drawn offscreen.
#include "scene/frame.h"

#include <gtest/gtest.h>

#include "harness/offscreen_scene.h"
#include "records/state.h"
#include "render/camera.h"
#include "render/lights.h"
#include "scene/scene_window.h"
#include "tests/render/leaves.h"
#include "text/fonts.h"
#include "tools/bitmaps.h"

namespace {

class Frame : public ::testing::Test {
 protected:
  void prepare(int width, int height) {
    std::string reason;
    ASSERT_TRUE(prepareScene(width, height, reason)) << reason;
  }
  void SetUp() override { prepare(400, 400); }

  // First and last lit pixel of the frame along a row or a column, or -1 when none.
  static void litSpan(const Picture& frame, bool alongRow, int at, int& first, int& last) {
    first = last = -1;
    for (int i = 0; i < (alongRow ? frame.width : frame.height); ++i) {
      const Rgb p = alongRow ? glPixel(frame, i, at) : glPixel(frame, at, i);
      if (p.r + p.g + p.b > 30) {
        if (first < 0) first = i;
        last = i;
      }
    }
  }
  static constexpr bool row = true, column = false;
};

}  // namespace

// Each routine's header line, item by item, after an entry state contrary to it.
TEST_F(Frame, EachRoutineLeavesTheStateItsHeaderStates) {
  setContraryState();
  setupLights();
  expectLeaves("setupLights", {on(GL_LIGHTING), on(GL_COLOR_MATERIAL), on(GL_NORMALIZE),
                               on(GL_LIGHT0), on(GL_LIGHT1)});

  setContraryState();
  glEnable(GL_DEPTH_TEST);  // the one-time set-up keeps it on for the run
  renderFrame();
  expectLeaves("renderFrame",
               {is(GL_POLYGON_MODE, {GL_FILL, GL_FILL}), on(GL_CULL_FACE),
                is(GL_CULL_FACE_MODE, {GL_BACK}), is(GL_FRONT_FACE, {GL_CCW}), on(GL_LIGHTING),
                on(GL_DEPTH_TEST), off(GL_BLEND), off(GL_STENCIL_TEST), off(GL_TEXTURE_2D)});
}

TEST_F(Frame, FaceNearlyFillsTheHeightUndistortedAtTheResetPose) {
  for (const int height : {400, 300}) {
    SCOPED_TRACE("400x" + std::to_string(height));
    prepare(400, height);
    clockSettings.showNumerals = false;
    renderFrame();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 400);
    EXPECT_EQ(viewport[3], height);
    // The 400-unit face spans 400/418 of the view's height, and as many pixels across.
    const Picture frame = readPicture(400, height);
    int left, right, bottom, top;
    litSpan(frame, row, height / 2, left, right);
    litSpan(frame, column, 200, bottom, top);
    const int faceWidth = right - left + 1, faceHeight = top - bottom + 1;
    const std::string name = "frame-400x" + std::to_string(height);
    EXPECT_NEAR(faceHeight, height * 400 / 418, 4) << saveFrame(name, 400, height);
    EXPECT_NEAR(faceWidth, faceHeight, 3) << "aspect must be 400:" << height;
  }
}

TEST_F(Frame, ZeroSizeClientAreaRunsTheWholeFrameAndTheTextDrawsNothing) {
  prepare(0, 0);
  clockState.autoSpin = true;
  clockState.showDigitalTime = true;
  renderFrame();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  // The halo's offset divides by the size, so at none the text must touch no GL state at all.
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  ScaledText("9:05:07", 40, 40);
  GLint mode[2] = {};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_LINE) << "ScaledText drew at a zero-size client area";
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  EXPECT_FALSE(clockSettings.restartDance) << "the dance must still start";
  EXPECT_GT(clockState.spinX, 0.0f) << "the automatic spin must still advance";
}

// A window over two monitors of different sizes and heights, the scene turning: each view
// shows what a window of its own size shows after one tick, the turn taken once.
TEST_F(Frame, EachMonitorsViewShowsTheWholeSceneTurnedOncePerTick) {
  const SceneView views[2] = {{0, 0, 240, 180}, {240, 60, 160, 120}};
  Picture alone[2];
  for (int i = 0; i < 2; ++i) {
    prepare(views[i].width, views[i].height);
    clockState.autoSpin = true;
    renderFrame();
    alone[i] = readPicture(views[i].width, views[i].height);
  }
  const float turned = clockState.spinY;
  prepare(400, 180);
  clockState.autoSpin = true;
  drawSceneViews({views[0], views[1]});
  const Picture both = readPicture(400, 180);
  EXPECT_EQ(clockState.spinY, turned) << "one tick turns the scene once";
  for (int i = 0; i < 2; ++i) {
    const SceneView& v = views[i];
    int differing = 0;
    for (int y = 0; y < v.height; ++y)
      for (int x = 0; x < v.width; ++x) {
        const Rgb want = glPixel(alone[i], x, y);
        differing += !near(glPixel(both, v.x + x, v.y + y), want.r, want.g, want.b, 8);
      }
    EXPECT_LE(differing, v.width * v.height / 200)
        << "view " << i << " (" << v.width << "x" << v.height << ") should show the scene as a "
        << "window of that size does" << saveFrame("two-monitors", 400, 180);
  }
  EXPECT_EQ(clockSettings.windowWidth, 400) << "the window's own size comes back after the views";
}

TEST_F(Frame, DraggingDownBringsTheTopEdgeTowardsTheViewer) {
  clockSettings.showNumerals = false;
  onRightButtonDown(200, 200);
  onMouseMove(200, 300);  // 100 pixels down: 20 degrees about x
  ASSERT_FLOAT_EQ(clockState.spinX, 20.0f);
  renderFrame();
  const Picture frame = readPicture(400, 400);
  int bottom, top;
  litSpan(frame, column, 200, bottom, top);
  ASSERT_GT(top - bottom, 100) << saveFrame("frame-dragged", 400, 400);
  int topLeft, topRight, bottomLeft, bottomRight;
  litSpan(frame, row, top - 3, topLeft, topRight);
  litSpan(frame, row, bottom + 3, bottomLeft, bottomRight);
  EXPECT_GT(topRight - topLeft, bottomRight - bottomLeft + 20)
      << "the nearer top edge must look wider: " << saveFrame("frame-dragged", 400, 400);
}

TEST_F(Frame, LightsStayWithTheViewerAndTheirColoursFollowTheSettings) {
  const auto light = [](GLenum light, GLenum name) {
    std::vector<float> value(4);
    glGetLightfv(light, name, value.data());
    return value;
  };
  clockState.spinX = 40.0f;
  clockState.spinY = -70.0f;
  dollyCamera(150.0f);
  renderFrame();
  const std::vector<float> upRight = {200, 200, 0, 1}, white = {1, 1, 1, 1};  // eye coordinates
  EXPECT_EQ(light(GL_LIGHT0, GL_POSITION), upRight);
  EXPECT_EQ(light(GL_LIGHT1, GL_POSITION), upRight);
  EXPECT_EQ(light(GL_LIGHT0, GL_DIFFUSE), white);
  EXPECT_EQ(light(GL_LIGHT1, GL_AMBIENT), (std::vector<float>{0.25f, 0.25f, 0.25f, 1}));
  EXPECT_EQ(light(GL_LIGHT0, GL_SPECULAR), (std::vector<float>{0, 0, 0, 0}));
  clockState.specularOn = true;
  renderFrame();
  EXPECT_EQ(light(GL_LIGHT0, GL_SPECULAR), white);
}

namespace {
// Draws a texture 1:1 over a square of `pixels`, repeated `repeats` times each way.
void drawTextureFlat(GLuint texture, int pixels, float repeats) {
  glViewport(0, 0, pixels, pixels);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, pixels, 0, pixels, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (GLenum c : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND}) glDisable(c);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glColor3f(1, 1, 1);
  const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  glBegin(GL_QUADS);
  for (const auto& c : corners) {
    glTexCoord2f(c[0] * repeats, c[1] * repeats);
    glVertex2f(c[0] * static_cast<float>(pixels), c[1] * static_cast<float>(pixels));
  }
  glEnd();
}
}  // namespace

TEST_F(Frame, StripeTextureIsYellowAtBothEndsAndBlackInItsFirstBand) {
  ASSERT_TRUE(clockState.texturesLoaded);
  drawTextureFlat(clockState.stripeTexture, 128, 1.0f);
  const Picture frame = readPicture(128, 128);
  const Rgb nearBottom = glPixel(frame, 64, 0), nearTop = glPixel(frame, 64, 127),
            firstBand = glPixel(frame, 64, 12);
  EXPECT_TRUE(near(nearBottom, 255, 255, 0, 2))
      << "t just above 0 should be yellow, got " << describe(nearBottom);
  EXPECT_TRUE(near(nearTop, 255, 255, 0, 2))
      << "t just below 1 should be yellow, got " << describe(nearTop);
  EXPECT_TRUE(near(firstBand, 0, 0, 0, 2))
      << "rows 8-16 from the bottom should be black, got " << describe(firstBand) << " "
      << saveFrame("stripes", 128, 128);
}

TEST_F(Frame, HoneycombTextureRepeatsWithoutASeam) {
  ASSERT_TRUE(clockState.texturesLoaded);
  drawTextureFlat(clockState.honeycombTexture, 512, 2.0f);
  const Picture picture = drawHoneycomb();
  const Picture frame = readPicture(512, 512);
  int mismatches = 0;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const Rgb expected = picture.at(x % 256, y % 256);
      mismatches += !near(frame.at(x, y), expected.r, expected.g, expected.b, 3);
    }
  EXPECT_EQ(mismatches, 0) << "every pixel of a 2x2 repeat should match the picture, within 3: "
                           << saveFrame("honeycomb-repeat", 512, 512);
}
