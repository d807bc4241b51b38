// The clock's two process-wide records: settings with their start-up defaults, and
// run-time state that starts at zero. Every part of the program reads and writes them directly.
#pragma once

#include <ctime>

#include "platform/win32.h"

struct ClockSettings {
  float danceTimeScale = 1.0f;
  bool restartDance = true;
  int windowX = 1, windowY = 1;
  int windowWidth = 400, windowHeight = 400;
  // Where the frame's viewport starts in the window: 0, 0 but for a screensaver that draws one
  // view per monitor into a window spanning them all.
  int viewportX = 0, viewportY = 0;
  // The scale the window (or the monitor's view) is drawn at: its size is in its own pixels, and
  // what the clock measures for a 96-dpi screen (the credit line's place, line widths, a drag)
  // is scaled by dpi / 96 (platform/program_pixels.h).
  int dpi = 96;
  bool showNumerals = true;
  bool showDanceLine = true;
  float clearColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float creditColour[4] = {0.7f, 0.7f, 0.7f, 1.0f};
  float diffuseLevel = 1.0f;
  float ambientLevel = 0.5f;
  float textScale = 4.0f;
  float beeScale = 1.0f;
  float lightPosition[4] = {200.0f, 200.0f, 0.0f, 1.0f};
};

struct ClockState {
  HINSTANCE hinstance = nullptr;
  HWND hwnd = nullptr;
  HDC hdc = nullptr;
  HGLRC hglrc = nullptr;
  GLuint stripeTexture = 0, honeycombTexture = 0;
  bool texturesLoaded = false;
  GLUquadric* quadric = nullptr;
  GLuint bitmapFontBase = 0;
  GLuint outlineFontBase = 0;
  GLYPHMETRICSFLOAT glyphMetrics[256] = {};
  std::time_t danceStartSeconds = 0;  // 64-bit, so the dance outlives January 2038
  unsigned short danceStartMillis = 0;
  int dancePhase = 0;
  float phaseProgress = 0.0f;
  float hourAngle = 0.0f;
  float beeX = 0.0f, beeY = 0.0f;
  float beeHeading = 0.0f;
  bool autoSpin = false;
  bool specularOn = false;
  bool romanNumerals = false;
  bool showDigitalTime = false;
  int lastMouseX = 0, lastMouseY = 0;
  bool rightDragging = false;
  float eyeX = 0.0f, eyeY = 0.0f, eyeZ = 0.0f;
  float eyeHeading = 0.0f, eyePitch = 0.0f;
  float spinX = 0.0f, spinY = 0.0f;
};

extern ClockSettings clockSettings;
extern ClockState clockState;

extern const char* const windowClassName;  // "MainWindow"
extern const char* const windowTitle;      // "Waggler"

// Flips an option byte: 1 becomes 0, anything else becomes 1.
void toggleOption(bool& option);
