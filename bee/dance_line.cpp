// The dance line: grows along the waggle axis during a run, fades at its far end in a loop.
#include "bee/dance_line.h"

#include "bee/dance.h"
#include "records/state.h"

void drawDanceLine() {
  const float p = clockState.phaseProgress;
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glRotatef(clockState.hourAngle, 0.0f, 0.0f, 1.0f);
  glBegin(GL_LINES);
  glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
  glVertex3f(0.0f, -60.0f, 0.0f);
  if (isWaggleRun(clockState.dancePhase)) {
    glColor4f(p, p, p, 1.0f);
    glVertex3f(0.0f, 120.0f * p - 60.0f, 0.0f);
  } else {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f - p);
    glVertex3f(0.0f, 60.0f, 0.0f);
  }
  glEnd();
  glRotatef(-clockState.hourAngle, 0.0f, 0.0f, 1.0f);
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
}
