// The Linux program as a desktop sees it: the icon on its windows and the hints it gives the
// window manager, and its size at the desktop's scale (Xft.dpi), read off the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>

#include "harness/e2e.h"
#include "platform/linux/window_frame.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace e2e;

namespace {

// The frozen wall clock of the scaled runs; only the wall clock stands still.
const char kFrozen[] = "2024-05-06 03:00:00";
const Env kTimersRun = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};

// A 32-bit property of a window as longs, as Xlib hands them; empty when it has none.
std::vector<long> cardinals(::Display* display, ::Window window, const char* name) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1 << 24, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const long* items = reinterpret_cast<const long*>(data);
    values.assign(items, items + count);
  }
  if (data) XFree(data);
  return values;
}

// What is wrong with the window's _NET_WM_ICON: it should hold images from 16 to 256 pixels,
// each the installed PNG of its size, pixel for pixel. Empty when nothing is.
std::string iconProblems(::Display* display, ::Window window) {
  const std::vector<long> icon = cardinals(display, window, "_NET_WM_ICON");
  if (icon.empty()) return "the window has no _NET_WM_ICON";
  std::string problems;
  int smallest = INT_MAX, largest = 0;
  for (std::size_t at = 0; at + 2 <= icon.size();) {
    const int width = static_cast<int>(icon[at]), height = static_cast<int>(icon[at + 1]);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (width <= 0 || width != height || at + 2 + pixels > icon.size())
      return "a malformed image of " + std::to_string(width) + "x" + std::to_string(height);
    smallest = std::min(smallest, width);
    largest = std::max(largest, width);
    const std::string path =
        std::string(WAGGLER_E2E_ICON_DIR "/waggler-") + std::to_string(width) + ".png";
    const auto art = pictures::readPng(path);
    int differing = 0;
    for (std::size_t i = 0; art && i < pixels; ++i) {
      const Rgb c = art->pixels[i];
      const unsigned long alpha = art->alpha.empty() ? 255 : art->alpha[i];
      const unsigned long argb = alpha << 24 | c.r << 16 | c.g << 8 | c.b;
      differing += (static_cast<unsigned long>(icon[at + 2 + i]) & 0xffffffffUL) != argb;
    }
    if (!art || art->width != width)
      problems += "\nno installed art of " + std::to_string(width) + " pixels";
    else if (differing)
      problems += "\nthe " + std::to_string(width) + "-pixel image differs from " + path + " in " +
                  std::to_string(differing) + " pixels";
    at += 2 + pixels;
  }
  if (smallest != 16 || largest != 256)
    problems += "\nexpected images from 16 to 256 pixels, got " + std::to_string(smallest) +
                " to " + std::to_string(largest);
  return problems;
}

// Where the clock's window stands, once its dial is drawn and two grabs in a row agree; fails
// the test when either never happens.
void stillClientArea(ClockSession& session, Rect* still) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(session, &clock));
  const auto client = session.drawnClientArea(clock, kStartTimeout);
  ASSERT_TRUE(client) << "no dial drawn in the clock's window" << session.context("dial");
  Picture previous = session.x().grabScreen();
  const bool stood = pollUntil(
      kShowTimeout,
      [&] {
        Picture now = session.x().grabScreen();
        const bool same = differingPixels(previous, now, *client) == 0;
        previous = now;
        return same;
      },
      Millis(100));
  ASSERT_TRUE(stood) << "the clock's picture never stood still for two grabs in a row within "
                     << kShowTimeout.count() << " ms" << session.context("still");
  *still = *client;
}

struct ClockAtRest {
  Rect client;
  Picture screen;
};

// The clock at rest with Xft.dpi at `dpi` (0: without the resource), on a screen tall enough
// for it at 200 %.
ClockAtRest runClock(int dpi, std::unique_ptr<ClockSession>* session) {
  SessionOptions options;
  options.xvfbArgs = {"-screen", "0", "1280x1024x24"};
  options.fixedTime = kFrozen;
  options.env = kTimersRun;
  if (dpi) options.xResources = "Xft.dpi: " + std::to_string(dpi);
  startSession(linuxProgram, options, session);
  ClockAtRest run;
  if (!*session) return run;
  stillClientArea(**session, &run.client);
  if (::testing::Test::HasFatalFailure()) return run;
  run.screen = (*session)->x().grabScreen();
  keepScreenshot((*session)->x(), "dpi-" + (dpi ? std::to_string(dpi) : std::string("none")));
  return run;
}

}  // namespace

TEST(LinuxDesktop, TheClocksWindowCarriesTheIconAndNoHintOfAGameOrADialog) {
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(linuxProgram, {}, &session));
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock));
  ::Display* display = session->x().raw();
  EXPECT_EQ(iconProblems(display, clock), "");
  // Absent, or 0: the compositor goes on compositing the window while it is shown.
  const std::vector<long> bypass = cardinals(display, clock, "_NET_WM_BYPASS_COMPOSITOR");
  EXPECT_TRUE(bypass.empty() || bypass[0] == 0)
      << "expected no _NET_WM_BYPASS_COMPOSITOR or 0, got " << bypass[0];
  ::Window owner = 0;
  EXPECT_FALSE(XGetTransientForHint(display, clock, &owner) && owner == DefaultRootWindow(display))
      << "the clock's window is marked transient for the root window, as a dialog";
}

TEST(LinuxDesktop, TheHacksOwnWindowCarriesTheIcon) {
  std::string error;
  const auto server = XServer::start({}, &error);
  ASSERT_TRUE(server) << error;
  const auto hack =
      Process::start({WAGGLER_E2E_HACK, "-window"},
                     {{"DISPLAY", server->displayName()}, {"LIBGL_ALWAYS_SOFTWARE", "1"}},
                     artifactPath("hack", "log"), &error);
  ASSERT_TRUE(hack) << error;
  const Window window = server->x().waitForWindow("wagglersaver", kStartTimeout, hack.get());
  ASSERT_NE(window, 0u) << "no window titled \"wagglersaver\"";
  EXPECT_EQ(iconProblems(server->x().raw(), window), "");
  hack->stop(kExitTimeout);
}

TEST(LinuxDesktop, XftDpiDrawsTheClockLargerAndNinetySixChangesNothing) {
  std::unique_ptr<ClockSession> session;
  ClockAtRest plain, at96, at192;
  ASSERT_NO_FATAL_FAILURE(plain = runClock(0, &session));
  ASSERT_GT(plain.client.width, 0) << "no clock drawn without Xft.dpi" << session->context("plain");
  const Rect plainCredit = creditLineBox(plain.screen, plain.client);
  ASSERT_GT(plainCredit.height, 8) << "no credit line found" << session->context("plain");

  // 96 is the unscaled desktop: the same window, the same picture.
  ASSERT_NO_FATAL_FAILURE(at96 = runClock(96, &session));
  EXPECT_TRUE(at96.client == plain.client) << "the window moved or changed size at 96";
  EXPECT_EQ(differingPixels(cut(plain.screen, plain.client), cut(at96.screen, at96.client),
                            {0, 0, plain.client.width, plain.client.height}),
            0)
      << "the picture at 96 differs from the one without Xft.dpi" << session->context("at-96");

  // 192 is 200 %: the window's place and size doubled, as Windows shows the .exe there, and the
  // credit line's letters twice as tall and as far from the right edge.
  ASSERT_NO_FATAL_FAILURE(at192 = runClock(192, &session));
  using namespace nonClient;
  const Rect doubled{2 * (1 + left), 2 * (1 + top), 2 * (400 - left - right),
                     2 * (400 - top - bottom)};
  EXPECT_TRUE(at192.client == doubled)
      << "expected the client area at " << doubled.x << "," << doubled.y << " sized "
      << doubled.width << "x" << doubled.height << ", got " << at192.client.x << ","
      << at192.client.y << " sized " << at192.client.width << "x" << at192.client.height
      << session->context("at-192");
  const Rect credit = creditLineBox(at192.screen, at192.client);
  EXPECT_NEAR(credit.height, 2 * plainCredit.height, 2)
      << "the credit line's letters are " << credit.height << " pixels tall, " << plainCredit.height
      << " unscaled" << session->context("at-192-credit");
  EXPECT_NEAR(at192.client.width - credit.x, 2 * (plain.client.width - plainCredit.x), 3)
      << "the credit line starts " << at192.client.width - credit.x
      << " pixels from the right edge, " << plain.client.width - plainCredit.x << " unscaled"
      << session->context("at-192-credit");
}

TEST(LinuxDesktop, AChangeOfXftDpiWhileRunningRedrawsTheClockAtTheNewScale) {
  std::unique_ptr<ClockSession> session;
  ClockAtRest before;
  ASSERT_NO_FATAL_FAILURE(before = runClock(96, &session));
  ASSERT_GT(before.client.width, 0) << "no clock drawn at 96" << session->context("at-96");
  const Rect beforeCredit = creditLineBox(before.screen, before.client);

  // As a desktop's settings daemon does when the user picks 200 %.
  const std::string resources = artifactPath("xresources-192", "txt");
  std::ofstream(resources) << "Xft.dpi: 192\n";
  const RunResult merged =
      runCommand({"xrdb", "-nocpp", "-display", session->displayName(), "-merge", resources}, {},
                 Millis(10000));
  ASSERT_TRUE(merged.finished && merged.exitCode == 0) << merged.output;

  const Window clock = session->waitForWindow(kClockTitle, kShowTimeout);
  std::optional<Rect> after;
  const bool doubled = pollUntil(kShowTimeout, [&] {
    after = session->drawnClientArea(clock, kPaintTimeout);
    return after && after->width == 2 * before.client.width &&
           after->height == 2 * before.client.height;
  });
  ASSERT_TRUE(doubled) << "expected the client area to grow to " << 2 * before.client.width << "x"
                       << 2 * before.client.height << ", got "
                       << (after
                               ? std::to_string(after->width) + "x" + std::to_string(after->height)
                               : std::string("none"))
                       << session->context("at-192");
  const Picture screen = session->x().waitForScreen(kShowTimeout, [&](const Picture& s) {
    return creditLineBox(s, *after).height >= 2 * beforeCredit.height - 2;
  });
  const Rect credit = creditLineBox(screen, *after);
  EXPECT_NEAR(credit.height, 2 * beforeCredit.height, 2)
      << "the credit line's glyphs were not made again at 192" << session->context("credit");
  // Drawn at the screen's resolution, not the 96-dpi picture stretched.
  const double detail = fineDetail(cut(screen, dialCentre(*after)));
  EXPECT_GT(detail, kDrawnAtItsSize)
      << "the picture at 192 holds little detail: " << detail << session->context("detail");
}
