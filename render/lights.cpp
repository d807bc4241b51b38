// Two lights fixed to the eye (one diffuse and specular, one ambient) and the front material.
#include "render/lights.h"

#include "records/state.h"

void setupLights() {
  const float zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float d = clockSettings.diffuseLevel;
  const float diffuse[4] = {d, d, d, 1.0f};
  const float a = 0.5f * clockSettings.ambientLevel;
  const float ambient[4] = {a, a, a, 1.0f};

  glEnable(GL_LIGHTING);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_NORMALIZE);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, zero);
  glLightfv(GL_LIGHT0, GL_AMBIENT, zero);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_POSITION, clockSettings.lightPosition);
  glLightfv(GL_LIGHT0, GL_SPECULAR, clockState.specularOn ? white : zero);
  glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
  glLightfv(GL_LIGHT1, GL_POSITION, clockSettings.lightPosition);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, zero);
  glMaterialfv(GL_FRONT, GL_AMBIENT, white);
  glMaterialfv(GL_FRONT, GL_SPECULAR, white);
  glMaterialf(GL_FRONT, GL_SHININESS, 64.0f);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHT1);
}
