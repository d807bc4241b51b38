// The wall clock that the dance and the digital time read.
#include "platform/wallclock.h"

WallClock (*readWallClock)() = readSystemClock;
