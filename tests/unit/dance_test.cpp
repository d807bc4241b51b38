// The dance clock against independently computed reference values (the first frame, readings
// that straddle a second, the hour angle through the day) and its edge cases.
#include "bee/dance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "records/state.h"

namespace {

// Feeds the dance from a start at `start` and a reading `dS` seconds and `dMs` ms later.
void danceAfter(long long dS, int dMs, int hour, int minute, std::time_t start = 1700000000) {
  // Millisecond fields run 0..999, so a negative difference needs a late start.
  const int startMillis = dMs < 0 ? 999 : 0;
  clockSettings.danceTimeScale = 1.0f;
  clockState.danceStartSeconds = start;
  clockState.danceStartMillis = static_cast<unsigned short>(startMillis);
  const WallClock now = {static_cast<std::time_t>(start + dS),
                         static_cast<unsigned short>(startMillis + dMs)};
  setDanceState(danceElapsed(now), hour, minute);
}

struct DanceVector {
  long long dS;
  int dMs, hour, minute;
  float hourAngle;
  int dancePhase;
  float phaseProgress, beeX, beeY, beeHeading;
};

std::vector<DanceVector> readDanceVectors() {
  std::ifstream file(WAGGLER_TESTDATA "/dance_vectors.csv");
  std::vector<DanceVector> vectors;
  std::string line;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#' || line[0] == 'd') continue;
    std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream fields(line);
    DanceVector v;
    fields >> v.dS >> v.dMs >> v.hour >> v.minute >> v.hourAngle >> v.dancePhase >>
        v.phaseProgress >> v.beeX >> v.beeY >> v.beeHeading;
    if (fields) vectors.push_back(v);
  }
  return vectors;
}

}  // namespace

TEST(DanceClock, MatchesTheReferenceVectors) {
  const std::vector<DanceVector> vectors = readDanceVectors();
  ASSERT_GE(vectors.size(), 10u) << "reference file missing or unreadable";
  for (const DanceVector& v : vectors) {
    SCOPED_TRACE("dS=" + std::to_string(v.dS) + " dMs=" + std::to_string(v.dMs) + " at " +
                 std::to_string(v.hour) + ":" + std::to_string(v.minute));
    danceAfter(v.dS, v.dMs, v.hour, v.minute);
    EXPECT_NEAR(clockState.hourAngle, v.hourAngle, 1e-4);
    EXPECT_EQ(clockState.dancePhase, v.dancePhase);
    EXPECT_NEAR(clockState.phaseProgress, v.phaseProgress, 1e-4);
    EXPECT_NEAR(clockState.beeX, v.beeX, 1e-4);
    EXPECT_NEAR(clockState.beeY, v.beeY, 1e-4);
    EXPECT_NEAR(clockState.beeHeading, v.beeHeading, 1e-4);
  }
}

TEST(DanceClock, ExactLegBoundariesFallInTheLaterLegAndPositionsJoinThere) {
  const struct {
    double t;
    int phase;
  } boundaries[] = {{2.0, 1}, {3.0, 2}, {5.0, 3}, {6.0, 0}};
  for (const auto& b : boundaries) {
    SCOPED_TRACE("at cycle time " + std::to_string(b.t));
    setDanceState(b.t - 1e-6, 0, 0);
    const float x = clockState.beeX, y = clockState.beeY;
    setDanceState(b.t, 0, 0);
    EXPECT_EQ(clockState.dancePhase, b.phase);
    EXPECT_EQ(clockState.phaseProgress, 0.0f);
    EXPECT_NEAR(clockState.beeX, x, 0.01) << "x jumps";
    EXPECT_NEAR(clockState.beeY, y, 0.01) << "y jumps";
  }
}

TEST(DanceClock, StartIn2040KeepsCounting) {
  const std::time_t start2040 = static_cast<std::time_t>(2208988800LL);  // 2040-01-01 UTC
  ASSERT_GT(static_cast<long long>(start2040), 2147483647LL);
  danceAfter(7, 250, 10, 10, start2040);  // cycle time 1.25
  EXPECT_EQ(clockState.dancePhase, 0);
  EXPECT_FLOAT_EQ(clockState.phaseProgress, 0.625f);
}

namespace {
WallClock testNow;
WallClock readTestClock() {
  return testNow;
}

// The dance read from a wall clock that the test sets.
class DanceOnTestClock : public ::testing::Test {
 protected:
  void SetUp() override {
    readWallClock = readTestClock;
    testNow = {1700000000, 500};
    clockSettings = ClockSettings();
  }
  void TearDown() override { readWallClock = readSystemClock; }
};
}  // namespace

TEST_F(DanceOnTestClock, StartIsTakenOnceAndThenKept) {
  startDance();
  EXPECT_FALSE(clockSettings.restartDance);
  EXPECT_EQ(clockState.danceStartSeconds, 1700000000);
  EXPECT_EQ(clockState.danceStartMillis, 500);
  testNow = {1700000042, 0};
  startDance();
  EXPECT_EQ(clockState.danceStartSeconds, 1700000000) << "a second start must not move the dance";
}

TEST_F(DanceOnTestClock, AClockSetBackRestartsTheDanceAndAJumpForwardDoesNot) {
  startDance();
  testNow = {1700000009, 0};  // 8.5 s in: leg 1
  updateDance();
  EXPECT_EQ(clockState.dancePhase, 1);

  testNow = {1700000009 - 3600, 0};  // set back an hour
  updateDance();
  EXPECT_EQ(clockState.dancePhase, 0);
  EXPECT_EQ(clockState.phaseProgress, 0.0f);
  EXPECT_FLOAT_EQ(clockState.beeY, -60.0f) << "back at the inner end of the run, on the dial";
  testNow.millis = 500;
  updateDance();
  EXPECT_FLOAT_EQ(clockState.phaseProgress, 0.25f) << "and running on from there";

  testNow.seconds += 3600;  // forward again: the dance just goes on
  updateDance();
  EXPECT_EQ(clockState.danceStartSeconds, 1700000009 - 3600);
  EXPECT_EQ(clockState.dancePhase, 0);
  EXPECT_FLOAT_EQ(clockState.phaseProgress, 0.25f);
}

TEST(DanceClock, TimeScaleStretchesEveryLeg) {
  clockSettings.danceTimeScale = 2.0f;
  clockState.danceStartSeconds = 1000;
  clockState.danceStartMillis = 0;
  setDanceState(danceElapsed({1004, 0}), 0, 0);  // 2 dance units
  EXPECT_EQ(clockState.dancePhase, 1);
  EXPECT_EQ(clockState.phaseProgress, 0.0f);
  clockSettings.danceTimeScale = 1.0f;
}
