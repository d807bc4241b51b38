// The honeybee: five spheres, antennae, six paddling legs and four translucent wings,
// drawn in immediate mode at the pose the dance clock gives.
#include "bee/bee.h"

#include <cmath>
#include <initializer_list>

#include "bee/dance.h"
#include "platform/program_pixels.h"
#include "records/state.h"

namespace {
const float sixteenPi = 50.265484f;  // 8 leg swings per unit of progress

// One pair of legs: hip, and the knee and foot offsets along the swing direction.
struct LegPair {
  float width;
  float baseAngle, swingAmplitude;  // radians
  float hipX, hipY;
  float upperLength;
  float footX, footY, footZ;  // foot = (footX + len sin, footY + len cos, footZ)
};
const LegPair legPairs[] = {
    {1.5f, 1.1f, 0.17453294f, 7.0f, 19.0f, 8.0f, 12.0f, 22.0f, -1.0f},   // front
    {2.0f, 1.1f, 0.14279968f, 9.0f, -1.0f, 12.0f, 17.0f, 6.0f, -9.0f},   // middle
    {2.2f, 1.8f, 0.2617994f, 7.0f, -6.0f, 12.0f, 14.0f, -14.0f, -1.0f},  // hind
};

void drawLegs() {
  const double swing = std::sin(static_cast<double>(sixteenPi) * clockState.phaseProgress);
  for (const LegPair& pair : legPairs) {
    const float theta =
        static_cast<float>(pair.baseAngle + static_cast<double>(pair.swingAmplitude) * swing);
    const double s = std::sin(static_cast<double>(theta)), c = std::cos(static_cast<double>(theta));
    const float kneeX = static_cast<float>(pair.hipX + pair.upperLength * s);
    const float kneeY = static_cast<float>(pair.hipY + pair.upperLength * c);
    const float footX = static_cast<float>(pair.footX + pair.upperLength * s);
    const float footY = static_cast<float>(pair.footY + pair.upperLength * c);
    glLineWidth(toPhysicalLength(pair.width, clockSettings.dpi));
    for (float side : {1.0f, -1.0f}) {  // right leg, then its mirror image
      glBegin(GL_LINE_STRIP);
      glVertex3f(side * pair.hipX, pair.hipY, 0.0f);
      glVertex3f(side * kneeX, kneeY, -1.0f);
      glVertex3f(side * footX, footY, pair.footZ);
      glEnd();
    }
  }
}

// A translucent wing with its dark rim; the matrix is at the wing's centre, tilted and stretched.
void drawWing(float radius, float rimInner, int rimLoops) {
  glColor4f(0.8f, 0.8f, 0.9f, 0.5f);
  if (clockState.quadric) gluDisk(clockState.quadric, 0.0, radius, 20, 5);
  glColor4f(0.1f, 0.1f, 0.1f, 1.0f);
  if (clockState.quadric) gluDisk(clockState.quadric, rimInner, radius, 20, rimLoops);
}

// One wing: a move from the last wing's centre, a tilt about y and a stretch along x, undone
// after the disks (the undoing scale is the stretch's inverse, rounded as written).
struct Wing {
  float moveX, moveY, moveZ;
  float tilt;  // degrees about y
  float stretch, unstretch;
  float radius, rimInner;
  int rimLoops;
};
const Wing wings[] = {
    {19.0f, 14.0f, 5.5f, -10.0f, 3.3f, 0.3030303f, 5.5f, 5.2f, 2},   // right fore-wing
    {-38.0f, 0.0f, 0.0f, 10.0f, 3.3f, 0.3030303f, 5.5f, 5.2f, 2},    // left fore-wing
    {33.0f, -5.0f, 0.0f, -10.0f, 2.3f, 0.43478262f, 4.0f, 3.7f, 5},  // right hind-wing
    // Centred at -16: the hind wings are deliberately not mirror images.
    {-30.0f, 0.0f, 0.0f, 10.0f, 2.3f, 0.43478262f, 4.0f, 3.7f, 5},  // left hind-wing
};

void placeWing(const Wing& wing) {
  glTranslatef(wing.moveX, wing.moveY, wing.moveZ);
  glRotatef(wing.tilt, 0.0f, 1.0f, 0.0f);
  glScalef(wing.stretch, 1.0f, 1.0f);
  drawWing(wing.radius, wing.rimInner, wing.rimLoops);
  glScalef(wing.unstretch, 1.0f, 1.0f);
  glRotatef(-wing.tilt, 0.0f, 1.0f, 0.0f);
}

// An eye at the matrix's origin: a sphere stretched by a fifth along z, the stretch undone after
// (by its inverse, rounded as written).
void drawEye() {
  glScalef(1.0f, 1.0f, 1.2f);
  drawSphere(12, 3.0f);
  glScalef(1.0f, 1.0f, 0.8333333f);
}

// Abdomen, thorax, head and eyes, each moved to from the last; ends at the head's centre.
void drawBody() {
  if (clockState.texturesLoaded) {
    glBindTexture(GL_TEXTURE_2D, clockState.stripeTexture);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (clockState.quadric) gluQuadricTexture(clockState.quadric, GL_TRUE);
  }
  // Abdomen: turned so the poles lie along the body and the stripes band it.
  glColor3f(1.0f, 1.0f, 0.0f);
  glScalef(1.0f, 1.6f, 1.0f);
  glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
  drawSphere(20, 10.0f);
  glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
  glScalef(1.0f, 0.625f, 1.0f);
  if (clockState.texturesLoaded) glDisable(GL_TEXTURE_2D);

  // Thorax.
  glTranslatef(0.0f, 13.0f, 0.0f);
  glColor3f(0.3f, 0.3f, 0.2f);
  glScalef(1.3f, 1.0f, 1.0f);
  drawSphere(20, 8.0f);
  glScalef(0.7692308f, 1.0f, 1.0f);

  // Head.
  glTranslatef(0.0f, 8.0f, 0.0f);
  glColor3f(0.4f, 0.4f, 0.3f);
  drawSphere(20, 7.5f);

  // Eyes, left then right, then back to the head centre.
  glTranslatef(-3.0f, 4.0f, 2.0f);
  glColor3f(0.2f, 0.2f, 0.2f);
  drawEye();
  glTranslatef(6.0f, 0.0f, 0.0f);
  drawEye();
  glTranslatef(-3.0f, -4.0f, -2.0f);
}
}  // namespace

void drawSphere(int slices, float radius) {
  glEnable(GL_LIGHTING);
  // Without a quadric (out of memory) the clock goes on without its spheres.
  if (clockState.quadric) {
    gluQuadricDrawStyle(clockState.quadric, GLU_FILL);
    gluQuadricNormals(clockState.quadric, GLU_SMOOTH);
    gluSphere(clockState.quadric, radius, slices, slices);
  }
  glDisable(GL_LIGHTING);
}

void drawBee() {
  startDance();
  updateDance();

  glPushMatrix();
  glRotatef(clockState.hourAngle, 0.0f, 0.0f, 1.0f);
  glTranslatef(clockState.beeX, clockState.beeY, 0.0f);
  glRotatef(-clockState.beeHeading, 0.0f, 0.0f, 1.0f);
  const float scale = clockSettings.beeScale;
  glScalef(scale, scale, scale);
  drawBody();

  // Antennae and legs are unlit, in the eyes' colour.
  glLineWidth(toPhysicalLength(1.0f, clockSettings.dpi));
  glBegin(GL_LINES);
  glVertex3f(0.0f, 4.0f, -1.0f);
  glVertex3f(8.0f, 14.0f, -1.0f);
  glVertex3f(0.0f, 4.0f, -1.0f);
  glVertex3f(-8.0f, 14.0f, -1.0f);
  glEnd();

  glTranslatef(0.0f, -21.0f, 0.0f);
  drawLegs();

  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  for (const Wing& wing : wings) placeWing(wing);
  glDisable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glPopMatrix();
}
