// Outline geometry of the glyph lists, which needs no GL context: outlines of the bold sans face
// flattened, filled and walled.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/linux/font_mapping.h"
#include "platform/linux/outline_geometry.h"
#include FT_OUTLINE_H

namespace {

// The bold face the clock's outline text is built from.
class OutlineGeometry : public ::testing::Test {
 protected:
  void SetUp() override {
    static const HFONT bold =
        CreateFontA(12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, nullptr);
    face = platform::faceFor(bold);
    ASSERT_NE(face, nullptr);
  }
  FT_Face face = nullptr;
};

TEST_F(OutlineGeometry, OutlinesOfEitherOrientationGiveTheSameSolid) {
  const double scale = 1.0 / face->units_per_EM;
  for (const char c : std::string("o8A")) {
    ASSERT_EQ(FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_NO_SCALE), 0);
    FT_Outline reversed;
    ASSERT_EQ(FT_Outline_New(face->glyph->library, face->glyph->outline.n_points,
                             face->glyph->outline.n_contours, &reversed),
              0);
    FT_Outline_Copy(&face->glyph->outline, &reversed);
    // Outer contours clockwise is TrueType's way; reversed, the outline runs as in CFF fonts.
    FT_Outline_Reverse(&reversed);
    const auto trueTypeContours = platform::flattenOutline(face->glyph->outline, scale, 0.002);
    const auto cffContours = platform::flattenOutline(reversed, scale, 0.002);
    FT_Outline_Done(face->glyph->library, &reversed);

    for (const auto* contours : {&trueTypeContours, &cffContours}) {
      const platform::Mesh mesh = platform::meshContours(*contours, false);
      ASSERT_FALSE(mesh.tessellationFailed) << c;
      ASSERT_FALSE(mesh.triangles.empty()) << c;
      double area = 0;
      for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
        const auto &a = mesh.triangles[i], &b = mesh.triangles[i + 1], &d = mesh.triangles[i + 2];
        const double twice = (b.x - a.x) * (d.y - a.y) - (b.y - a.y) * (d.x - a.x);
        EXPECT_GT(twice, 0.0) << c << ": front triangles must be counter-clockwise";
        area += 0.5 * twice;
      }
      // Ink area: the outer outline's area less the holes', taken from the contours.
      double contourArea = 0;
      for (const auto& contour : *contours)
        for (std::size_t i = 0; i < contour.size(); ++i) {
          const auto &p = contour[i], &q = contour[(i + 1) % contour.size()];
          contourArea += 0.5 * (p.x * q.y - q.x * p.y);
        }
      EXPECT_NEAR(area, std::fabs(contourArea), 1e-6) << c;

      // Every wall's normal points out of the ink: a step along it leaves the glyph, a step
      // against it lands in ink.
      const auto inside = [&](platform::Point p) {
        int winding = 0;
        for (const auto& contour : *contours)
          for (std::size_t i = 0; i < contour.size(); ++i) {
            const auto &a = contour[i], &b = contour[(i + 1) % contour.size()];
            const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
            if (a.y <= p.y && b.y > p.y && side > 0) ++winding;
            if (a.y > p.y && b.y <= p.y && side < 0) --winding;
          }
        return winding != 0;
      };
      ASSERT_FALSE(mesh.walls.empty());
      for (const auto& wall : mesh.walls) {
        const platform::Point middle{0.5 * (wall.a.x + wall.b.x), 0.5 * (wall.a.y + wall.b.y)};
        const platform::Point edge{wall.b.x - wall.a.x, wall.b.y - wall.a.y};
        const double l = std::hypot(edge.x, edge.y);
        const platform::Point out{edge.y / l, -edge.x / l};  // right of a->b
        EXPECT_FALSE(inside({middle.x + 0.003 * out.x, middle.y + 0.003 * out.y})) << c;
        EXPECT_TRUE(inside({middle.x - 0.003 * out.x, middle.y - 0.003 * out.y})) << c;
        // The shading normals lean the same way as the wall.
        EXPECT_GT(wall.normalA.x * out.x + wall.normalA.y * out.y, 0.5) << c;
        EXPECT_GT(wall.normalB.x * out.x + wall.normalB.y * out.y, 0.5) << c;
      }
    }
  }
}

// Samples the true curves of an outline, in em.
struct Sampler {
  std::vector<platform::Point> points;
  platform::Point current{0, 0};
  double scale;
};
platform::Point at(const FT_Vector* v, double scale) {
  return {v->x * scale, v->y * scale};
}

TEST_F(OutlineGeometry, CurvesAreFlattenedWithinAFifthOfAPixelAtTheLargestText) {
  const double scale = 1.0 / face->units_per_EM;
  // The largest text is about 110 pixels per em; a chord that strays 0.25 pixel would show.
  const double visible = 0.25 / 110.0;
  for (const char c : std::string("OS8@")) {
    ASSERT_EQ(FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_NO_SCALE), 0);
    Sampler sampler;
    sampler.scale = scale;
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
      auto* s = static_cast<Sampler*>(user);
      s->current = at(to, s->scale);
      return 0;
    };
    funcs.line_to = funcs.move_to;
    funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
      auto* s = static_cast<Sampler*>(user);
      const auto p0 = s->current, p1 = at(control, s->scale), p2 = at(to, s->scale);
      for (int i = 1; i < 32; ++i) {
        const double t = i / 32.0, u = 1 - t;
        s->points.push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                             u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
      }
      s->current = p2;
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector*, const FT_Vector*, const FT_Vector* to, void* user) {
      auto* s = static_cast<Sampler*>(user);
      s->current = at(to, s->scale);
      return 0;
    };
    ASSERT_EQ(FT_Outline_Decompose(&face->glyph->outline, &funcs, &sampler), 0);
    ASSERT_FALSE(sampler.points.empty());

    const auto contours = platform::flattenOutline(face->glyph->outline, scale, 0.002);
    double worst = 0;
    for (const auto& p : sampler.points) {
      double nearest = 1e9;
      for (const auto& contour : contours)
        for (std::size_t i = 0; i < contour.size(); ++i) {
          const auto &a = contour[i], &b = contour[(i + 1) % contour.size()];
          const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
          double t = l2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / l2 : 0;
          t = std::fmax(0.0, std::fmin(1.0, t));
          nearest = std::fmin(nearest, std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy));
        }
      worst = std::fmax(worst, nearest);
    }
    EXPECT_LT(worst, visible) << c;
    // ...and not much finer than that: the chords use a good part of their allowance.
    EXPECT_GT(worst, visible / 4) << c;
  }
}

}  // namespace
