// The waggle-dance clock. Single-precision constants, double-precision steps, and the pose
// taken from the stored single-precision progress, so both platforms agree to the last bit.
#include "bee/dance.h"

#include <cmath>

#include "records/state.h"

namespace {
const float millisToSeconds = 0.001f;
const float sixteenPi = 50.265484f;  // 8 wags per unit of progress
const float pi = 3.1415927f;
}  // namespace

void startDance() {
  if (!clockSettings.restartDance) return;
  const WallClock now = readWallClock();
  clockState.danceStartSeconds = now.seconds;
  clockState.danceStartMillis = now.millis;
  clockSettings.restartDance = false;
}

double danceElapsed(WallClock now) {
  const long long dS = static_cast<long long>(now.seconds - clockState.danceStartSeconds);
  const int dMs = static_cast<int>(now.millis) - static_cast<int>(clockState.danceStartMillis);
  return (dMs * static_cast<double>(millisToSeconds) + static_cast<double>(dS)) /
         static_cast<double>(clockSettings.danceTimeScale);
}

void setDanceState(double elapsed, int hour, int minute) {
  clockState.hourAngle = static_cast<float>(-((hour % 12) * 30 + minute * 0.5));

  const double t = std::fmod(elapsed, 6.0);
  double progress;
  if (t < 2.0) {
    clockState.dancePhase = firstWaggleRun;
    progress = t * 0.5;
  } else if (t < 3.0) {
    clockState.dancePhase = leftReturnLoop;
    progress = t - 2.0;
  } else if (t < 5.0) {
    clockState.dancePhase = secondWaggleRun;
    progress = (t - 3.0) * 0.5;
  } else {
    clockState.dancePhase = rightReturnLoop;
    progress = t - 5.0;
  }
  clockState.phaseProgress = static_cast<float>(progress);

  const double p = clockState.phaseProgress;
  const double wag = static_cast<double>(sixteenPi) * p;
  const double loop = static_cast<double>(pi) * p;
  double x, y, heading;
  switch (clockState.dancePhase) {
    case firstWaggleRun:
      x = -6.0 * std::sin(wag);
      y = 120.0 * p - 60.0;
      heading = -25.0 * std::cos(wag);
      break;
    case leftReturnLoop:
      x = -60.0 * std::sin(loop);
      y = 60.0 * std::cos(loop);
      heading = 270.0 - 180.0 * p;
      break;
    case secondWaggleRun:
      x = 6.0 * std::sin(wag);
      y = 120.0 * p - 60.0;
      heading = 25.0 * std::cos(wag);
      break;
    default:  // rightReturnLoop
      x = 60.0 * std::sin(loop);
      y = 60.0 * std::cos(loop);
      heading = 180.0 * p + 90.0;
      break;
  }
  clockState.beeX = static_cast<float>(x);
  clockState.beeY = static_cast<float>(y);
  clockState.beeHeading = static_cast<float>(heading);
}

void updateDance() {
  // One reading serves both the hour and the elapsed time, so they can never disagree.
  const WallClock now = readWallClock();
  // A wall clock set back behind the start would send the bee off the dial, opposite the
  // hour, for as long as the step; start the dance again from now, as at start-up.
  if (danceElapsed(now) < 0.0) {
    clockState.danceStartSeconds = now.seconds;
    clockState.danceStartMillis = now.millis;
  }
  const std::tm* local = std::localtime(&now.seconds);
  const int hour = local ? local->tm_hour : 0;
  const int minute = local ? local->tm_min : 0;
  setDanceState(danceElapsed(now), hour, minute);
}
