// What the running clock shows, and how keys and mouse change it, read off screenshots of
// the Linux program and of the .exe under Wine. Most runs freeze the wall clock with faketime,
// so the bee holds still and only the input under test changes the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>

#include "harness/e2e.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using namespace e2e;

namespace {

// Three o'clock, standing still: the dance stays at its first frame.
const char kFrozenAtThree[] = "2024-05-06 03:00:00";
// Noon, running on from there.
const char kRunningFromNoon[] = "@2024-05-06 12:00:00";

struct Counts {
  int black = 0, grey = 0, white = 0, highlight = 0;
};

// Pixels of kinds the clock draws: the cleared background, grey numerals, the white digital
// time, and white specular highlights near the dial's centre. The bottom rows (credit) are left
// out.
Counts countKinds(const Picture& screen, const Rect& client) {
  Counts c;
  const int cx = client.x + client.width / 2, cy = client.y + client.height / 2;
  for (int y = client.y; y < client.y + client.height - 40; ++y)
    for (int x = client.x; x < client.x + client.width; ++x) {
      const Rgb p = screen.at(x, y);
      const int hi = std::max({p.r, p.g, p.b}), lo = std::min({p.r, p.g, p.b});
      if (p.r + p.g + p.b < 30) ++c.black;
      if (hi - lo < 12 && lo >= 100 && hi <= 200) ++c.grey;
      if (lo > 235) ++c.white;
      if (lo > 180 && std::hypot(x - cx, y - cy) < 110) ++c.highlight;
    }
  return c;
}

// Centre of the bee's dark parts (thorax, head, eyes, legs) within 110 pixels of the dial's
// centre, where nothing else dark is drawn, in client coordinates.
bool beeCentre(const Picture& screen, const Rect& client, double& x, double& y) {
  const int cx = client.x + client.width / 2, cy = client.y + client.height / 2;
  double sumX = 0, sumY = 0;
  int count = 0;
  for (int py = cy - 110; py <= cy + 110; ++py)
    for (int px = cx - 110; px <= cx + 110; ++px) {
      if (std::hypot(px - cx, py - cy) > 110) continue;
      const Rgb p = screen.at(px, py);
      if (p.r < 110 && p.g < 110) {
        sumX += px - client.x;
        sumY += py - client.y;
        ++count;
      }
    }
  if (count < 30) return false;
  x = sumX / count;
  y = sumY / count;
  return true;
}

// Widths of the runs of blank columns between the first and the last column of the credit
// line, left to right. A column is blank when none of its pixels in the credit's band has the
// credit's neutral grey, which neither the honeycomb nor the cleared background has.
std::vector<int> creditGaps(const Picture& screen, const Rect& client) {
  const Rect band{client.x + client.width - 170, client.y + client.height - 32, 170, 30};
  std::vector<int> gaps;
  int blank = -1;  // blank columns since the last lit one; none before the first
  for (int x = band.x; x < band.x + band.width; ++x) {
    bool lit = false;
    for (int y = band.y; y < band.y + band.height && !lit; ++y) {
      const Rgb p = screen.at(x, y);
      const int hi = std::max({p.r, p.g, p.b}), lo = std::min({p.r, p.g, p.b});
      lit = hi - lo < 20 && hi >= 25;
    }
    if (lit && blank > 0) gaps.push_back(blank);
    if (lit)
      blank = 0;
    else if (blank >= 0)
      ++blank;
  }
  return gaps;
}

// Replaces the time the program reads next in one step, so it never reads half a line.
void setClockFile(const std::string& path, const std::string& time) {
  const std::string next = path + ".next";
  std::ofstream(next) << time << "\n";
  std::rename(next.c_str(), path.c_str());
}

// Where the bee's dark parts stand, once two grabs in a row agree (a repaint caught half-way
// must not count); nothing when they never do.
std::optional<std::pair<double, double>> beeStandingStill(XDisplay& display, const Rect& client) {
  double x = -100, y = -100, lastX = x, lastY = y;
  const bool still = pollUntil(
      kShowTimeout,
      [&] {
        lastX = x, lastY = y;
        return beeCentre(display.grabScreen(), client, x, y) && std::abs(x - lastX) < 0.5 &&
               std::abs(y - lastY) < 0.5;
      },
      Millis(100));
  return still ? std::optional(std::make_pair(x, y)) : std::nullopt;
}

class Scene : public ::testing::TestWithParam<const Program*> {
 protected:
  void start(const std::string& fixedTime) {
    SessionOptions options;
    options.fixedTime = fixedTime;
    options.program = GetParam()->glCheckingPath;  // where there is one: see TearDown
    // Only the wall clock stands still; timers keep their pace.
    options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
    ASSERT_NO_FATAL_FAILURE(startSession(*GetParam(), options, &session_));
    ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock_, &client_));
    // A frozen clock draws the same frame again and again; wait for two alike, so no half-drawn
    // or erased window becomes a test's reference.
    if (fixedTime[0] != '@') {
      Picture previous = shot();
      ASSERT_LT(waitFor(
                    [&](const Picture& s) {
                      const int changed = differingPixels(previous, s, client_);
                      previous = s;
                      return changed;
                    },
                    [](int changed) { return changed == 0; }),
                1)
          << "the picture of a frozen clock should stand still" << context("still");
    }
  }
  void TearDown() override {
    // A checking variant reports the first GL error of any frame on its output. The .exe has
    // none, and the test's record says that its GL errors went unchecked.
    if (session_ && session_->checksGl())
      EXPECT_EQ(session_->log().find("GL error"), std::string::npos)
          << "the program reported a GL error:\n"
          << session_->log();
    else if (session_)
      RecordProperty("gl_errors", "unchecked: the program has no checking variant");
    session_.reset();
  }

  XDisplay& x() { return session_->x(); }
  Picture shot() { return x().grabScreen(); }
  Counts counts() { return countKinds(shot(), client_); }
  // A plain window of another client, to take the focus from the clock; 0 if none showed.
  ::Window openOtherWindow() {
    ::Display* raw = x().raw();
    ::Window other = XCreateSimpleWindow(raw, DefaultRootWindow(raw), 600, 500, 200, 150, 0, 0,
                                         WhitePixel(raw, DefaultScreen(raw)));
    XStoreName(raw, other, "Other");
    XMapWindow(raw, other);
    XSync(raw, False);
    return session_->waitForWindow("Other", kBoxTimeout) ? other : 0;
  }
  void closeOtherWindow(::Window other) {
    XDestroyWindow(x().raw(), other);
    XSync(x().raw(), False);
  }
  void tap(KeySym key, const std::vector<KeySym>& modifiers = {}) {
    x().focus(clock_);
    x().tapKey(key, modifiers);
  }
  std::string context(const std::string& step) { return session_->context(step); }

  // Measures screenshots until `done` holds for the measure or the deadline passes, and returns
  // the last measure, for the caller to check and report.
  template <class Measure, class Done>
  int waitFor(Measure measure, Done done, Millis within = kShowTimeout) {
    int value = 0;
    pollUntil(
        within, [&] { return done(value = measure(shot())); }, Millis(40));
    return value;
  }
  // Measures of a screenshot.
  std::function<int(const Picture&)> kind(int Counts::*member) {
    return [this, member](const Picture& s) { return countKinds(s, client_).*member; };
  }
  std::function<int(const Picture&)> black() { return kind(&Counts::black); }
  std::function<int(const Picture&)> grey() { return kind(&Counts::grey); }
  std::function<int(const Picture&)> white() { return kind(&Counts::white); }
  std::function<int(const Picture&)> highlight() { return kind(&Counts::highlight); }
  std::function<int(const Picture&)> differenceFrom(const Picture& reference) {
    return [this, reference](const Picture& s) { return differingPixels(reference, s, client_); };
  }
  static std::function<bool(int)> below(int limit) {
    return [limit](int n) { return n < limit; };
  }
  static std::function<bool(int)> above(int limit) {
    return [limit](int n) { return n > limit; };
  }
  static std::function<bool(int)> near(int target, int tolerance) {
    return [target, tolerance](int n) { return std::abs(n - target) <= tolerance; };
  }

  std::unique_ptr<ClockSession> session_;
  Window clock_ = 0;
  Rect client_;
};

}  // namespace

TEST_P(Scene, BeeStandsLeftOfTheCentreFacingRightAtThreeOClock) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  double bx, by;
  ASSERT_TRUE(beeCentre(shot(), client_, bx, by)) << "no bee found" << context("no-bee");
  // The first frame of the dance: the abdomen at the inner end of the axis, 60 units left.
  const double unit = (client_.height / 2.0) / (500 * std::tan(22.5 * M_PI / 180));
  const double abdomenX = client_.width / 2.0 - 60 * unit, centreY = client_.height / 2.0;
  EXPECT_LT(bx, client_.width / 2.0 - 25)
      << "bee should stand left of the centre" << context("bee-position");
  EXPECT_NEAR(by, centreY, 12) << context("bee-position");
  EXPECT_GT(bx, abdomenX + 3) << "head and thorax should lie right of the abdomen: facing right"
                              << context("bee-facing");
  std::printf("%s: bee's dark parts centre at (%.1f, %.1f) in a %dx%d client area\n",
              GetParam()->description, bx, by, client_.width, client_.height);
}

TEST_P(Scene, RightDragTurnsTheSceneAndTheWheelDolliesANotchAtATime) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const Picture before = shot();
  const int black0 = countKinds(before, client_).black;
  const int cx = client_.x + client_.width / 2, cy = client_.y + client_.height / 2;
  x().rightDrag(cx, cy - 50, cx, cy + 50);
  EXPECT_GT(waitFor(differenceFrom(before), above(20000)), 20000)
      << "a 100-pixel drag should turn the scene by 20 degrees" << context("drag");

  tap(XK_c);  // back to the start pose
  EXPECT_LT(waitFor(differenceFrom(before), below(500)), 500) << context("reset-after-drag");

  x().moveMouse(cx, cy);
  x().wheel(1);
  EXPECT_LT(waitFor(black(), below(black0 / 4)), black0 / 4)
      << "a notch forward brings the dial 50 units nearer" << context("wheel-forward");
  x().wheel(-1);
  EXPECT_NEAR(waitFor(black(), near(black0, 1500)), black0, 1500)
      << "a notch back undoes it" << context("wheel-back");
  x().wheel(-1);
  EXPECT_GT(waitFor(black(), above(black0 + 5000)), black0 + 5000)
      << "another notch back shrinks the dial" << context("wheel-back-2");
}

TEST_P(Scene, HeldCommaAndFullStopMoveTheEyeOnlyWhileTheClockHasTheFocus) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const int black0 = counts().black;
  // Held until the eye has moved far enough, however few frames a loaded machine draws.
  auto holdUntil = [&](KeySym key, std::function<bool(int)> done) {
    x().pressKey(key);
    const int seen = waitFor(black(), done);
    x().releaseKey(key);
    return seen;
  };
  const int black1 = holdUntil(XK_comma, above(black0 + 20000));
  EXPECT_GT(black1, black0 + 20000) << "comma held moves the eye back" << context("comma");
  EXPECT_LT(holdUntil(XK_period, below(black1 - 20000)), black1 - 20000)
      << "full stop held moves the eye forward" << context("full-stop");
  tap(XK_c);
  EXPECT_NEAR(waitFor(black(), near(black0, 1500)), black0, 1500) << context("reset");

  // Another window takes the focus: the held keys must do nothing.
  const ::Window other = openOtherWindow();
  ASSERT_NE(other, 0u);
  ASSERT_TRUE(x().focus(other));
  const Counts elsewhere = counts();
  x().pressKey(XK_comma);
  sleepFor(kHeldPeriod);
  x().releaseKey(XK_comma);
  // A frame that shows a later key shows whatever the held one did. The click makes the .exe
  // active again; the clock ignores it.
  x().focus(clock_);
  x().click(client_.x + client_.width / 2, client_.y + client_.height / 2, 1);
  tap(XK_s);
  ASSERT_GT(waitFor(highlight(), above(elsewhere.highlight + 10)), elsewhere.highlight + 10)
      << context("s-after-comma");
  EXPECT_NEAR(counts().black, elsewhere.black, 1000)
      << "keys held while another window has the focus must not move the eye"
      << context("comma-elsewhere");
  closeOtherWindow(other);
}

TEST_P(Scene, LetterAndDigitKeysChangeWhatTheyShowOnRelease) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const Counts initial = counts();
  ASSERT_GT(initial.grey, 1500) << "grey numerals expected" << context("numerals");
  EXPECT_LT(initial.white, 50) << "no digital time at start" << context("no-time");
  const int hidden = initial.grey / 10, tolerance = initial.grey / 10;

  tap(XK_t);
  EXPECT_LT(waitFor(grey(), below(hidden)), hidden) << "T hides the numerals" << context("t");
  tap(XK_t);
  EXPECT_NEAR(waitFor(grey(), near(initial.grey, tolerance)), initial.grey, tolerance)
      << context("t-again");
  tap(XK_t, {XK_Shift_L});
  EXPECT_LT(waitFor(grey(), below(hidden)), hidden) << "Shift+T acts like T" << context("shift-t");
  // Held with auto-repeat: many presses, one release, so one toggle.
  x().focus(clock_);
  x().pressKey(XK_t);
  sleepFor(Millis(1500));
  x().releaseKey(XK_t);
  EXPECT_NEAR(waitFor(grey(), near(initial.grey, tolerance)), initial.grey, tolerance)
      << "a held T toggles once, on release" << context("held-t");

  const Picture arabic = shot();
  tap(XK_r);
  EXPECT_GT(waitFor(differenceFrom(arabic), above(1500)), 1500)
      << "R turns the numerals Roman" << context("r");
  tap(XK_r);
  EXPECT_LT(waitFor(differenceFrom(arabic), below(300)), 300) << context("r-again");

  tap(XK_9);
  EXPECT_GT(waitFor(grey(), above(initial.grey * 2)), initial.grey * 2)
      << "9 makes the numerals bigger" << context("9");
  tap(XK_1);
  EXPECT_LT(waitFor(grey(), below(initial.grey / 2)), initial.grey / 2)
      << "1 makes them smaller" << context("1");
  tap(XK_4);
  EXPECT_NEAR(waitFor(grey(), near(initial.grey, tolerance)), initial.grey, tolerance)
      << context("4");

  tap(XK_i);
  EXPECT_GT(waitFor(white(), above(500)), 500) << "I shows the digital time" << context("i");
  tap(XK_i);
  EXPECT_LT(waitFor(white(), below(50)), 50) << context("i-again");
}

// A key held while the focus goes elsewhere was not released at the clock: nothing changes.
TEST_P(Scene, AKeyHeldWhileTheFocusLeavesChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const int grey0 = counts().grey;
  const ::Window other = openOtherWindow();
  ASSERT_NE(other, 0u);
  for (KeySym key : {XK_t, XK_9}) {
    x().focus(clock_);
    x().pressKey(key);
    ASSERT_TRUE(x().focus(other));
    sleepFor(kHeldPeriod);
    x().releaseKey(key);
  }
  // Back as a user comes back: a click, which the clock ignores but the .exe needs to be active.
  x().focus(clock_);
  x().click(client_.x + client_.width / 2, client_.y + client_.height / 2, 1);
  tap(XK_i);  // handled after anything the held keys did
  ASSERT_GT(waitFor(white(), above(500)), 500) << context("i");
  EXPECT_NEAR(counts().grey, grey0, grey0 / 10)
      << "the numerals must stay as they were" << context("held-elsewhere");
  closeOtherWindow(other);
}

// Letters keep their codes after a switch to a layout whose letters are not Latin.
TEST_P(Scene, LettersWorkAfterASwitchToACyrillicLayout) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const int grey0 = counts().grey;
  ::Display* raw = x().raw();
  const unsigned keyT = XKeysymToKeycode(raw, XK_t);
  const RunResult switched =
      runCommand({"setxkbmap", "-display", DisplayString(raw), "ru"}, {}, Millis(10000));
  ASSERT_TRUE(switched.finished && switched.exitCode == 0) << switched.output;
  // The server sends the program the layout's notification before the keys below, once it has
  // the layout itself: wait until the T key gives a Cyrillic letter.
  ASSERT_TRUE(pollUntil(kShowTimeout, [&] {
    int perKey = 0;
    KeySym* keysyms = XGetKeyboardMapping(raw, static_cast<KeyCode>(keyT), 1, &perKey);
    const bool cyrillic = keysyms && perKey > 0 && keysyms[0] == XK_Cyrillic_ie;
    if (keysyms) XFree(keysyms);
    return cyrillic;
  })) << "the Russian layout never took";
  x().focus(clock_);
  XTestFakeKeyEvent(raw, keyT, True, 0);
  XTestFakeKeyEvent(raw, keyT, False, 0);
  XSync(raw, False);
  EXPECT_LT(waitFor(grey(), below(grey0 / 10)), grey0 / 10)
      << "the T key hides the numerals under a Russian layout" << context("ru-t");
}

TEST_P(Scene, SpinHighlightAndCameraResetKeys) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const Picture still = shot();
  const int highlight0 = countKinds(still, client_).highlight;
  tap(XK_s);
  EXPECT_GT(waitFor(highlight(), above(highlight0 + 10)), highlight0 + 10)
      << "S adds white highlights to the bee" << context("s");
  tap(XK_s);
  EXPECT_NEAR(waitFor(highlight(), near(highlight0, 5)), highlight0, 5) << context("s-again");
  EXPECT_LT(waitFor(differenceFrom(still), below(300)), 300) << "frozen clock: a still picture";

  tap(XK_d);
  EXPECT_GT(waitFor(differenceFrom(still), above(5000)), 5000)
      << "D spins the scene" << context("d");
  const Picture spun = shot();
  EXPECT_GT(waitFor(differenceFrom(spun), above(5000)), 5000)
      << "and goes on spinning" << context("d-on");
  tap(XK_d);
  tap(XK_c);
  EXPECT_LT(waitFor(differenceFrom(still), below(500)), 500)
      << "C puts the camera and the spin back" << context("c");
}

TEST_P(Scene, AHidesTheDanceLine) {
  ASSERT_NO_FATAL_FAILURE(start(kRunningFromNoon));
  // At noon the axis runs straight up from the centre. Look for a frame where the line shows
  // on the axis's inner half while the bee is away from it.
  auto lineSeenAlone = [&](Millis within) {
    const int cx = client_.x + client_.width / 2, cy = client_.y + client_.height / 2;
    const double unit = (client_.height / 2.0) / (500 * std::tan(22.5 * M_PI / 180));
    return pollUntil(
        within,
        [&] {
          const Picture s = shot();
          int onAxis = 0, beside = 0;
          for (int y = cy + int(10 * unit); y < cy + int(50 * unit); ++y) {
            onAxis += s.at(cx, y).b > 30;  // the honeycomb has no blue; the line's greys do
            for (int dx : {-25, -15, 15, 25}) beside += s.at(cx + dx, y).b > 30;
          }
          return onAxis > 15 && beside == 0;
        },
        Millis(150));
  };
  EXPECT_TRUE(lineSeenAlone(kShowTimeout)) << "the dance line should show" << context("line");
  tap(XK_a);
  // T after A: once the numerals have gone, A has been handled too.
  const int numerals = counts().grey;
  tap(XK_t);
  ASSERT_LT(waitFor(grey(), below(numerals / 10)), numerals / 10) << context("a-then-t");
  EXPECT_FALSE(lineSeenAlone(Millis(7000))) << "A hides the dance line" << context("no-line");
}

TEST_P(Scene, FramesKeepComingWhileTheQuitQuestionIsUp) {
  ASSERT_NO_FATAL_FAILURE(start(kRunningFromNoon));
  ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock_, XK_Escape, "question"));
  auto boxInfo = x().info(x().findWindow(kQuitTitle));
  ASSERT_TRUE(boxInfo) << context("question-gone");
  // The box hides the middle of the dial: count changes around it, over half a dance cycle.
  const Rect hidden = boxInfo->frame;
  const Rect dial{client_.x, client_.y, client_.width, client_.height - 40};
  int changed = 0;
  Picture previous = shot();
  pollUntil(
      kShowTimeout,
      [&] {
        const Picture next = shot();
        changed += differingPixels(previous, next, dial, hidden);
        previous = next;
        return changed > 50;
      },
      Millis(250));
  EXPECT_GT(changed, 50) << "the bee should move while the question is shown"
                         << context("frames-under-question");
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "focus-question"));
  session_->answerNo();
  EXPECT_TRUE(x().waitForWindowGone(kQuitTitle, kBoxTimeout)) << context("answer-no");
}

TEST_P(Scene, CreditLineKeepsItsWordsApart) {
  ASSERT_NO_FATAL_FAILURE(start(kFrozenAtThree));
  const std::string credit = "Waggler: a bee clock";
  const auto spaces = static_cast<std::size_t>(std::count(credit.begin(), credit.end(), ' '));
  const std::vector<int> gaps = creditGaps(shot(), client_);
  std::vector<std::string> listedGaps;
  for (int gap : gaps) listedGaps.push_back(std::to_string(gap));
  std::vector<int> widest = gaps;
  std::sort(widest.rbegin(), widest.rend());
  ASSERT_GT(widest.size(), spaces)
      << "the credit's letters apart: gaps " << joined(listedGaps) << context("credit-letters");
  // A space is a letter's gap and a glyph's advance wide, twice any gap between letters.
  EXPECT_GE(widest[spaces - 1], 2 * widest[spaces])
      << "\"" << credit << "\" should show its " << spaces << " spaces as the widest gaps; gaps "
      << "left to right: " << joined(listedGaps) << context("credit-spaces");
  keepScreenshot(x(), "credit");
}

INSTANTIATE_TEST_SUITE_P(LinuxProgram, Scene, ::testing::Values(&linuxProgram));
INSTANTIATE_TEST_SUITE_P(WindowsExe, Scene, ::testing::Values(&windowsExe));

// The same frozen time must put the bee in the same place in both programs.
TEST(BothPrograms, PutTheBeeInTheSamePlace) {
  double position[2][2] = {};
  const Program* programs[2] = {&linuxProgram, &windowsExe};
  for (int i = 0; i < 2; ++i) {
    SessionOptions options;
    options.fixedTime = kFrozenAtThree;
    options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
    std::unique_ptr<ClockSession> session;
    Window clock;
    Rect client;
    ASSERT_NO_FATAL_FAILURE(startSession(*programs[i], options, &session));
    ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock, &client));
    const auto bee = beeStandingStill(session->x(), client);
    ASSERT_TRUE(bee) << "no bee found standing still" << session->context("bee");
    position[i][0] = bee->first, position[i][1] = bee->second;
    std::printf("%s: bee at (%.1f, %.1f) in the client area\n", programs[i]->description,
                position[i][0], position[i][1]);
  }
  EXPECT_NEAR(position[0][0], position[1][0], 3.0);
  EXPECT_NEAR(position[0][1], position[1][1], 3.0);
}

// A wall clock set back an hour while the clock runs: the dance starts again, on the new hour.
// The clock stands still before and after, so the bee stands at the start of its run.
TEST(LinuxProgramWallClock, SetBackAnHourTheBeeStartsAgainOnTheNewHour) {
  const std::string timeFile = artifactPath("wall-clock", "txt");
  setClockFile(timeFile, "2024-05-06 15:00:00");
  SessionOptions options;
  options.timeFile = timeFile;
  options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}, {"TZ", "UTC"}};
  std::unique_ptr<ClockSession> session;
  Window clock;
  Rect client;
  ASSERT_NO_FATAL_FAILURE(startSession(linuxProgram, options, &session));
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock, &client));
  const auto atThree = beeStandingStill(session->x(), client);
  ASSERT_TRUE(atThree) << "no bee at 15:00" << session->context("at-3");

  // 33 s past the hour, so the old dance would stand far off its run, not by chance on it.
  setClockFile(timeFile, "2024-05-06 14:00:33");
  // The whole dance turns with the hour: 30 degrees anticlockwise from its place at three.
  const double cx = client.width / 2.0, cy = client.height / 2.0;
  const double dx = atThree->first - cx, dy = cy - atThree->second, turn = M_PI / 6;
  const double expectedX = cx + dx * std::cos(turn) - dy * std::sin(turn);
  const double expectedY = cy - (dx * std::sin(turn) + dy * std::cos(turn));
  std::optional<std::pair<double, double>> atTwo;
  pollUntil(kShowTimeout, [&] {
    atTwo = beeStandingStill(session->x(), client);
    return !atTwo || std::hypot(atTwo->first - expectedX, atTwo->second - expectedY) <= 3;
  });
  ASSERT_TRUE(atTwo) << "no bee after the clock was set back" << session->context("set-back");
  EXPECT_NEAR(atTwo->first, expectedX, 3) << session->context("set-back");
  EXPECT_NEAR(atTwo->second, expectedY, 3);
}

// Variants of the Linux program that cannot build a part of the scene: they say so once,
// before the window shows, and then run without it.
struct Variant {
  const char* name;
  const char* program;
  const char* caption;
  const char* text;
};

void PrintTo(const Variant& v, std::ostream* out) {
  *out << v.name;
}

class DegradedStart : public ::testing::TestWithParam<Variant> {};

TEST_P(DegradedStart, ReportsOnceBeforeTheWindowThenRuns) {
  const Variant& v = GetParam();
  SessionOptions options;
  options.program = v.program;
  options.fixedTime = kFrozenAtThree;
  options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(linuxProgram, options, &session));
  ASSERT_NE(session->waitForWindow(v.caption, kBoxTimeout), 0u)
      << "expected a box titled \"" << v.caption << "\"" << session->context("box");
  EXPECT_EQ(session->x().findWindow(kClockTitle), 0u)
      << "the clock must wait for the answer" << session->context("window-before-answer");
  EXPECT_EQ(session->waitForMessageBox(v.caption, v.text, {"OK"}), "")
      << session->context("box-content");
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session, v.caption, "focus-box"));
  session->answerYes();  // Return answers OK
  Window clock;
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock));  // the clock runs after the report
  std::vector<std::string> mapped;
  session->x().takeMappedTitles();
  EXPECT_FALSE(session->waitExitNoting(kQuietPeriod, &mapped, v.caption))
      << session->context("ran");
  EXPECT_EQ(std::count(mapped.begin(), mapped.end(), v.caption), 0)
      << "the report must come once" << session->context("reported-again");
}

INSTANTIATE_TEST_SUITE_P(
    LinuxProgram, DegradedStart,
    ::testing::Values(Variant{"NoTextures", WAGGLER_E2E_NO_HONEYCOMB_PROGRAM, "No textures!",
                              "Could not load in texture maps"},
                      Variant{"NoOutlineFont", WAGGLER_E2E_NO_OUTLINE_FONT_PROGRAM, "Error!",
                              "Error - could not setup font outlines"}),
    [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });
