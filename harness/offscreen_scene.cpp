// Known scene states for render tests.
#include "harness/offscreen_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/wallclock.h"
#include "records/state.h"
#include "scene/setup.h"

namespace {
// The wall clock of every scene: a fixed moment, so a frame shows exactly the state the test
// chose however long the machine takes to draw it.
WallClock sceneNow = {1715000000, 0};
WallClock readSceneClock() {
  return sceneNow;
}
}  // namespace

bool prepareScene(int width, int height, std::string& reason) {
  if (!createOffscreenGL(std::max(width, 512), std::max(height, 512), reason)) return false;
  // Fresh records would lose the last scene's screen DC and quadric.
  if (clockState.quadric) gluDeleteQuadric(clockState.quadric);
  if (clockState.hdc) ReleaseDC(nullptr, clockState.hdc);
  clockSettings = ClockSettings();
  clockState = ClockState();
  readWallClock = readSceneClock;
  clockState.hdc = GetDC(nullptr);
  clockSettings.windowWidth = width;
  clockSettings.windowHeight = height;
  setupScene();
  return true;
}

void setLocalTime(int hour, int minute) {
  const std::time_t now = sceneNow.seconds;
  const long utcMinutes = static_cast<long>((now / 60) % (24 * 60));
  long offset = (hour * 60 + minute - utcMinutes) % (24 * 60);
  if (offset < 0) offset += 24 * 60;
  // POSIX TZ offsets are west-positive: "X-02:30" is 2:30 ahead of UTC.
  char zone[32];
  std::snprintf(zone, sizeof zone, "TEST-%02ld:%02ld", offset / 60, offset % 60);
  setenv("TZ", zone, 1);
  tzset();
}

void restoreLocalTime() {
  unsetenv("TZ");
  tzset();
}

void setDanceElapsed(double elapsed) {
  const long long nowMillis = static_cast<long long>(sceneNow.seconds) * 1000 + sceneNow.millis;
  const long long startMillis = nowMillis - static_cast<long long>(elapsed * 1000.0 + 0.5);
  clockState.danceStartSeconds = static_cast<std::time_t>(startMillis / 1000);
  clockState.danceStartMillis = static_cast<unsigned short>(startMillis % 1000);
  clockSettings.restartDance = false;
}

double pixelsPerSceneUnit(int height) {
  return (height / 2.0) / (500.0 * std::tan(22.5 * 3.14159265358979 / 180.0));
}

Difference compareFrames(const pictures::Picture& a, const pictures::Picture& b, int x0, int y0,
                         int x1, int y1) {
  if (x1 == 0) x1 = a.width, y1 = a.height;
  Difference d;
  double sumX = 0, sumY = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const pictures::Rgb p = glPixel(a, x, y), q = glPixel(b, x, y);
      if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 30) {
        sumX += x;
        sumY += y;
        ++d.count;
      }
    }
  if (d.count) {
    d.x = sumX / d.count;
    d.y = sumY / d.count;
  }
  return d;
}
