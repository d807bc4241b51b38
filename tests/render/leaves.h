// Checks of the GL state a drawing routine leaves, item by item as the "Leaves:" line of its
// header states it, read back with glGetFloatv (capabilities and enums read exactly as floats).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "harness/offscreen_gl.h"

// One stated item: a glGet name and its value.
struct Stated {
  GLenum name;
  std::vector<float> value;
};
const auto is = [](GLenum name, std::vector<float> value) { return Stated{name, value}; };
const auto on = [](GLenum capability) { return Stated{capability, {1}}; };
const auto off = [](GLenum capability) { return Stated{capability, {0}}; };

const std::vector<float> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// Every capability that some routine switches.
const std::vector<GLenum> capabilities = {GL_LIGHTING,   GL_DEPTH_TEST,    GL_CULL_FACE, GL_BLEND,
                                          GL_TEXTURE_2D, GL_STENCIL_TEST,  GL_NORMALIZE, GL_LIGHT0,
                                          GL_LIGHT1,     GL_COLOR_MATERIAL};

inline std::vector<float> stateOf(GLenum name) {
  float value[16] = {};
  glGetFloatv(name, value);
  const bool matrix = name == GL_MODELVIEW_MATRIX || name == GL_PROJECTION_MATRIX;
  const int count = matrix ? 16 : name == GL_CURRENT_COLOR ? 4 : name == GL_POLYGON_MODE ? 2 : 1;
  return std::vector<float>(value, value + count);
}

// Items as they stand now, for a routine stated to leave them as found.
inline std::vector<Stated> asFound(const std::vector<GLenum>& names) {
  std::vector<Stated> found;
  for (GLenum name : names) found.push_back({name, stateOf(name)});
  return found;
}

// Every item of both lists holds, and `routine` raised no GL error. Matrices moved there and back
// again need the tolerance; it is still far finer than any stated difference.
inline void expectLeaves(const char* routine, std::vector<Stated> items,
                         const std::vector<Stated>& more = {}) {
  items.insert(items.end(), more.begin(), more.end());
  for (const Stated& item : items) {
    const std::vector<float> value = stateOf(item.name);
    for (std::size_t i = 0; i < item.value.size(); ++i)
      EXPECT_NEAR(value[i], item.value[i], 1e-4f)
          << routine << ": GL state 0x" << std::hex << item.name << std::dec << "[" << i << "]";
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << routine;
}

// Sets every state some routine states it leaves to something else, so that a check sees what
// the routine itself set. The matrix mode stays the modelview, as every routine expects.
inline void setContraryState() {
  for (GLenum c : capabilities) glDisable(c);
  for (GLenum c : {GL_BLEND, GL_STENCIL_TEST, GL_TEXTURE_2D}) glEnable(c);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glCullFace(GL_FRONT);
  glFrontFace(GL_CW);
  glListBase(7);
  glLineWidth(3.5f);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  glMatrixMode(GL_PROJECTION);
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(4, 5, 6);
  glRotatef(30, 1, 1, 0);
}
