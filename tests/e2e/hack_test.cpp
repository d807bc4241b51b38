// wagglersaver run as xscreensaver runs it: in a window of the test's own making on a GL visual,
// handed over by id or through XSCREENSAVER_WINDOW. What it draws there, how it follows the
// window, how it ends, what it refuses, and the options its config file offers.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "harness/e2e.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace e2e;

namespace {

constexpr int kLeft = 40, kTop = 30;  // where the test's window stands on the screen

// The bounding box of the dial's yellow inside `area`, in screen coordinates.
Rect dialBox(const Picture& screen, Rect area) {
  int x0 = area.x + area.width, x1 = area.x - 1, y0 = area.y + area.height, y1 = area.y - 1;
  for (int x = area.x; x < area.x + area.width; ++x)
    if (dialPixels(screen, {x, area.y, 1, area.height}) > 0) x0 = std::min(x0, x), x1 = x;
  for (int y = area.y; y < area.y + area.height; ++y)
    if (dialPixels(screen, {area.x, y, area.width, 1}) > 0) y0 = std::min(y0, y), y1 = y;
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Dark pixels (the bee's thorax, head, eyes and legs) within 110 pixels of the area's centre,
// where the clock draws nothing else dark.
int beePixels(const Picture& screen, Rect area) {
  const int cx = area.x + area.width / 2, cy = area.y + area.height / 2;
  int dark = 0;
  for (int y = cy - 110; y <= cy + 110; ++y)
    for (int x = cx - 110; x <= cx + 110; ++x) {
      const Rgb p = screen.at(x, y);
      dark += (x - cx) * (x - cx) + (y - cy) * (y - cy) <= 110 * 110 && p.r < 110 && p.g < 110;
    }
  return dark;
}

// The whole scene fills `area`: the dial centred, as tall as the area allows, yellow over most
// of its square, with the bee on it.
bool clockFills(const Picture& screen, Rect area) {
  const Rect dial = dialBox(screen, area);
  const int side = std::min(area.width, area.height);
  return std::abs(dial.x + dial.width / 2 - (area.x + area.width / 2)) <= 8 &&
         dial.height > side * 9 / 10 && dialPixels(screen, dial) > dial.width * dial.height / 2 &&
         beePixels(screen, area) >= 30;
}

std::string hex(unsigned long id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

class Hack : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = XServer::start({}, &error);
    ASSERT_TRUE(server_) << error;
  }

  XDisplay& x() { return server_->x(); }
  Env env() const { return {{"DISPLAY", server_->displayName()}, {"LIBGL_ALWAYS_SOFTWARE", "1"}}; }

  // A mapped window at (kLeft, kTop) on a double-buffered GL visual, with or without a depth
  // buffer, as xscreensaver makes for a hack; 0 when the server offers no such visual.
  Window makeWindow(bool withDepth, int width, int height) {
    ::Display* d = x().raw();
    XVisualInfo wanted = {};
    wanted.screen = DefaultScreen(d);
    int count = 0;
    XVisualInfo* all = XGetVisualInfo(d, VisualScreenMask, &wanted, &count);
    const XVisualInfo* chosen = nullptr;
    for (int i = 0; i < count && !chosen; ++i) {
      int gl = 0, rgba = 0, doubled = 0, depth = 0;
      glXGetConfig(d, &all[i], GLX_USE_GL, &gl);
      glXGetConfig(d, &all[i], GLX_RGBA, &rgba);
      glXGetConfig(d, &all[i], GLX_DOUBLEBUFFER, &doubled);
      glXGetConfig(d, &all[i], GLX_DEPTH_SIZE, &depth);
      if (gl && rgba && doubled && (depth > 0) == withDepth) chosen = &all[i];
    }
    Window window = 0;
    if (chosen) {
      const ::Window root = RootWindow(d, chosen->screen);
      XSetWindowAttributes set = {};
      set.colormap = XCreateColormap(d, root, chosen->visual, AllocNone);
      window = XCreateWindow(d, root, kLeft, kTop, width, height, 0, chosen->depth, InputOutput,
                             chosen->visual, CWColormap | CWBorderPixel, &set);
      XMapWindow(d, window);
      XSync(d, False);
    }
    XFree(all);
    return window;
  }

  std::unique_ptr<Process> startHack(const std::vector<std::string>& args, const Env& more = {}) {
    std::vector<std::string> argv = {WAGGLER_E2E_HACK};
    argv.insert(argv.end(), args.begin(), args.end());
    Env all = env();
    all.insert(all.end(), more.begin(), more.end());
    log_ = artifactPath("hack", "log");
    std::string error;
    auto hack = Process::start(argv, all, log_, &error);
    EXPECT_TRUE(hack) << error;
    return hack;
  }

  // Whether the clock comes to fill `area` before the timeout, while the hack runs.
  bool waitForClock(Process& hack, Rect area) {
    const auto fills = [&](const Picture& screen) { return clockFills(screen, area); };
    return fills(x().waitForScreen(kStartTimeout, fills, &hack)) && hack.running();
  }

  std::string context(const std::string& step) {
    return screenshot(x(), step) + "\nthe hack said: " + fileTail(log_);
  }

  std::unique_ptr<XServer> server_;
  std::string log_;
};

// --- Handed a window: drawing, size and signals --------------------------------------------

struct Handover {
  const char* name;
  bool throughEnvironment;  // --root with XSCREENSAVER_WINDOW, else -window-id in decimal
  int signal;
};

void PrintTo(const Handover& how, std::ostream* out) {
  *out << how.name;
}

class HandedOver : public Hack, public ::testing::WithParamInterface<Handover> {};

TEST_P(HandedOver, DrawsTheClockFollowsTheWindowsSizeAndEndsOnTheSignal) {
  const Handover& how = GetParam();
  const Window window = makeWindow(true, 400, 400);
  ASSERT_NE(window, 0u) << "the server offers no double-buffered GL visual with depth";
  auto hack = how.throughEnvironment
                  ? startHack({"--root", "-no-spin"}, {{"XSCREENSAVER_WINDOW", hex(window)}})
                  : startHack({"-window-id", std::to_string(window), "-no-spin"});
  ASSERT_TRUE(hack);
  ASSERT_TRUE(waitForClock(*hack, {kLeft, kTop, 400, 400}))
      << "no dial with the bee over the window" << context("drawn");
  keepScreenshot(x(), "drawn");

  XResizeWindow(x().raw(), window, 640, 360);
  XSync(x().raw(), False);
  ASSERT_TRUE(waitForClock(*hack, {kLeft, kTop, 640, 360}))
      << "the dial should be centred in the window's new size" << context("resized");
  keepScreenshot(x(), "resized");

  ASSERT_EQ(::kill(hack->pid(), how.signal), 0);
  // How soon it ends is a figure of bench/hack.sh; a loaded machine must not fail this.
  const auto code = hack->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << "still running after the signal" << context("signalled");
  EXPECT_EQ(*code, 0) << context("signalled");
}

INSTANTIATE_TEST_SUITE_P(Hack, HandedOver,
                         ::testing::Values(Handover{"ByIdEndingOnSigterm", false, SIGTERM},
                                           Handover{"ByEnvironmentEndingOnSigint", true, SIGINT}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The config file -----------------------------------------------------------------------

TEST_F(Hack, TakesEveryOptionItsConfigFileOffersAndEndsWhenTheWindowIsDestroyed) {
  const RunResult lint =
      runCommand({"xmllint", "--noout", WAGGLER_E2E_HACK_CONFIG}, {}, kExitTimeout);
  EXPECT_EQ(lint.exitCode, 0) << "xmllint: " << lint.output;

  std::ifstream in(WAGGLER_E2E_HACK_CONFIG);
  const std::string xml((std::istreambuf_iterator<char>(in)), {});
  // The values of its arg, arg-set and arg-unset attributes.
  std::vector<std::string> args;
  for (size_t at = xml.find(" arg"); at != std::string::npos; at = xml.find(" arg", at + 1)) {
    size_t value = at + 4;
    for (const std::string suffix : {"-set", "-unset"})
      if (xml.compare(value, suffix.size(), suffix) == 0) value += suffix.size();
    if (xml.compare(value, 2, "=\"") != 0) continue;
    const size_t end = xml.find('"', value + 2);
    args.push_back(xml.substr(value + 2, end - value - 2));
  }
  // Its command and the check boxes of the three options and the frame rate.
  ASSERT_EQ(args.size(), 5u) << xml;

  const Window window = makeWindow(true, 400, 400);
  ASSERT_NE(window, 0u);
  auto hack = startHack(args, {{"XSCREENSAVER_WINDOW", hex(window)}});
  ASSERT_TRUE(hack);
  const Picture screen = x().waitForScreen(
      kStartTimeout,
      [](const Picture& s) {
        return dialPixels(s, {kLeft, kTop, 400, 400}) >= 400 * 400 / 2;
      },
      hack.get());
  ASSERT_TRUE(hack->running()) << "refused some of its options" << context("options");
  ASSERT_GE(dialPixels(screen, {kLeft, kTop, 400, 400}), 400 * 400 / 2)
      << "no dial drawn" << context("options");
  keepScreenshot(x(), "options");

  XDestroyWindow(x().raw(), window);
  XSync(x().raw(), False);
  const auto code = hack->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << "still running after its window went" << context("destroyed");
  EXPECT_EQ(*code, 0) << context("destroyed");
}

// --- Refusals ------------------------------------------------------------------------------

TEST_F(Hack, RefusesWhatItCannotDrawWithAMessageAndExitCode1) {
  const Window shallow = makeWindow(false, 200, 200);
  ASSERT_NE(shallow, 0u) << "the server offers no double-buffered GL visual without depth";
  const Window gone = makeWindow(true, 100, 100);
  XDestroyWindow(x().raw(), gone);
  XSync(x().raw(), False);
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"-window-id", hex(shallow)}, "no depth buffer"},
      {{"-window-id", hex(gone)}, "no window"},
      {{"-root", "--frobnicate"}, "usage:"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {WAGGLER_E2E_HACK};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const RunResult run = runCommand(argv, env(), kExitTimeout);
    ASSERT_TRUE(run.finished) << c.args[1] << ": still running";
    EXPECT_EQ(run.exitCode, 1) << c.args[1] << ": " << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos)
        << c.args[1] << ": expected \"" << c.message << "\", got: " << run.output;
  }
}

}  // namespace
