// The overlays that close every frame: the digital time in front of the eye, and the
// credit line in bitmap glyphs near the bottom-right corner of the window.
#include "text/overlays.h"

#include <cstdio>
#include <cstring>

#include "platform/program_pixels.h"
#include "platform/wallclock.h"
#include "records/state.h"
#include "text/fonts.h"

const char* const creditText = "Waggler: a bee clock";

std::string formatTimeOfDay(const std::tm& local) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%.2d:%.2d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

void creditPosition(unsigned length, int width, int height, int dpi, float& x, float& y) {
  x = 1.0f -
      static_cast<float>(length) * (toPhysicalLength(15.0f, dpi) / static_cast<float>(width));
  y = (toPhysicalLength(30.0f, dpi) / static_cast<float>(height)) - 1.0f;
}

void drawDigitalTime() {
  const std::time_t now = readWallClock().seconds;
  const std::tm* local = std::localtime(&now);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0.0f, 50.0f, -400.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (!local) return;
  const float scale = 10.0f * clockSettings.textScale;
  ScaledText(formatTimeOfDay(*local), scale, scale);
}

void drawCredit() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4fv(clockSettings.creditColour);
  glListBase(clockState.bitmapFontBase);
  // A minimised window has no room for the line; skip it rather than divide by zero.
  if (clockSettings.windowWidth <= 0 || clockSettings.windowHeight <= 0) return;
  const unsigned length = static_cast<unsigned>(std::strlen(creditText));
  float x, y;
  creditPosition(length, clockSettings.windowWidth, clockSettings.windowHeight, clockSettings.dpi,
                 x, y);
  glRasterPos2f(x, y);
  glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, creditText);
}
