// The dial: a 400-unit honeycomb square 5 units behind the origin, and the twelve
// numerals on a circle of radius 160 in the plane of the origin.
#include "text/face.h"

#include <cmath>
#include <cstdio>

#include "records/state.h"
#include "text/fonts.h"

const char* const romanNumeralTexts[13] = {"",    "I",    "II", "III", "IV", "V",  "VI",
                                           "VII", "VIII", "IX", "X",   "XI", "XII"};

std::string numeralText(int hour, bool roman) {
  if (roman) return romanNumeralTexts[hour];
  char decimal[12];
  std::snprintf(decimal, sizeof decimal, "%d", hour);
  return decimal;
}

void drawFace() {
  if (clockState.texturesLoaded) {
    glBindTexture(GL_TEXTURE_2D, clockState.honeycombTexture);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glDisable(GL_LIGHTING);
  }
  glColor3f(1.0f, 0.8f, 0.0f);
  glTranslatef(0.0f, 0.0f, -5.0f);
  // The honeycomb repeats every 20 scene units; counter-clockwise, facing the camera.
  glBegin(GL_QUADS);
  glTexCoord2d(-10.0, -10.0);
  glVertex3f(-200.0f, -200.0f, 0.0f);
  glTexCoord2d(10.0, -10.0);
  glVertex3f(200.0f, -200.0f, 0.0f);
  glTexCoord2d(10.0, 10.0);
  glVertex3f(200.0f, 200.0f, 0.0f);
  glTexCoord2d(-10.0, 10.0);
  glVertex3f(-200.0f, 200.0f, 0.0f);
  glEnd();
  if (clockState.texturesLoaded) {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
  }
  glTranslatef(0.0f, 0.0f, 5.0f);

  if (!clockSettings.showNumerals) return;
  glColor3f(0.5f, 0.5f, 0.5f);
  const float numeralScale = 8.0f * clockSettings.textScale;
  for (int hour = 1; hour <= 12; ++hour) {
    const float angle = hour * 0.5235988f;  // 30 degrees per hour, clockwise from the top
    const float x = 160.0f * std::sin(angle);
    const float y = 160.0f * std::cos(angle);
    glTranslatef(x, y, 0.0f);
    ScaledText(numeralText(hour, clockState.romanNumerals), numeralScale, numeralScale);
    glTranslatef(-x, -y, 0.0f);
  }
}
