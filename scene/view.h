// A part of a window that the scene is drawn in, in GL window coordinates: x and y from the
// bottom-left corner, as glViewport takes them.
#pragma once

struct SceneView {
  int x = 0, y = 0, width = 0, height = 0;
  int dpi = 0;  // its monitor's scale; 0 for the window's own
};
