// The waggle-dance clock: turns the wall clock into the hour angle and the bee's pose.
#pragma once

#include "platform/wallclock.h"

// The values of clockState.dancePhase, in the order danced: a waggle run up the hour's axis, a
// return loop down its left to the run's start, the run again and a loop down its right.
constexpr int firstWaggleRun = 0;
constexpr int leftReturnLoop = 1;
constexpr int secondWaggleRun = 2;
constexpr int rightReturnLoop = 3;

inline bool isWaggleRun(int phase) {
  return phase == firstWaggleRun || phase == secondWaggleRun;
}

// Takes the current wall-clock time as the dance start when a restart is pending.
void startDance();

// Recomputes the six dance outputs of clockState from the wall clock and local time. A wall
// clock found behind the dance start restarts the dance from the current time.
void updateDance();

// Dance time units since the dance start, for a wall-clock reading `now`.
double danceElapsed(WallClock now);

// Writes the six dance outputs for an elapsed dance time and a local hour (0-23) and minute.
void setDanceState(double elapsed, int hour, int minute);
