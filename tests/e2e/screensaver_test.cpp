// The screensaver waggler.scr under Wine in a private X server, run the way Windows runs it:
// full screen until the user comes back, the settings dialog and what it stores, the preview
// inside a window of our host program, and command lines it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "harness/e2e.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/keysym.h>

using namespace e2e;

namespace {

// Long enough for a move that would end the screensaver to have ended it.
constexpr Millis kIgnoredMovePeriod{1500};
const char kSettingsKey[] = "HKCU\\Software\\Waggler\\Screensaver";
const char kSettingsTitle[] = "Waggler Screensaver Settings";
const char kHostTitle[] = "Waggler preview host";

// White pixels above the credit line: the digital time is the only white thing drawn.
int whitePixels(const Picture& screen) {
  int count = 0;
  for (int y = 0; y < screen.height - 40; ++y)
    for (int x = 0; x < screen.width; ++x) {
      const Rgb p = screen.at(x, y);
      count += std::min({p.r, p.g, p.b}) > 235;
    }
  return count;
}

// Each control's class, place, size and text, for failure messages.
std::string listed(const std::vector<WineControl>& controls) {
  std::vector<std::string> items;
  for (const auto& c : controls)
    items.push_back(c.cls + " " + std::to_string(c.frame.x) + "," + std::to_string(c.frame.y) +
                    " " + std::to_string(c.frame.width) + "x" + std::to_string(c.frame.height) +
                    " " + c.text);
  return joined(items);
}

class Screensaver : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(prepareWinePrefix(tools_, prefix_, false, &error)) << error;
    stopWine(tools_, prefix_);
    server_ = XServer::start({}, &error);
    ASSERT_TRUE(server_) << error;
    wine({"reg", "delete", kSettingsKey, "/f"});  // each test starts from the defaults
  }

  void TearDown() override {
    if (saver_) saver_->kill();
    wine({"reg", "delete", kSettingsKey, "/f"});
    stopWine(tools_, prefix_);
  }

  XDisplay& x() { return server_->x(); }

  Env env() {
    Env env = wineEnv(prefix_);
    env.push_back({"DISPLAY", server_->displayName()});
    env.push_back({"LIBGL_ALWAYS_SOFTWARE", "1"});
    return env;
  }

  RunResult wine(std::vector<std::string> args) {
    args.insert(args.begin(), tools_.wine);
    return runCommand(args, env(), kStartTimeout);
  }

  // Starts a Windows program of the tests under Wine, its output in the artefacts.
  void start(std::vector<std::string> argv) {
    std::string error;
    argv.insert(argv.begin(), tools_.wine);
    saver_ = Process::start(argv, env(), artifactPath("saver", "log"), &error);
    ASSERT_TRUE(saver_) << error;
  }
  // The arguments one by one, unquoted, as Windows writes them.
  void startSaver(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), WAGGLER_E2E_SCR);
    start(arguments);
  }

  void storeChoice(const std::string& name, int value) {
    RunResult r = wine({"reg", "add", kSettingsKey, "/v", name, "/t", "REG_DWORD", "/d",
                        std::to_string(value), "/f"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }

  // The stored choices as `reg query` lists them.
  std::string storedChoices() { return wine({"reg", "query", kSettingsKey}).output; }

  // The controls of the window titled `title`; none when there is no such window.
  std::vector<WineControl> controls(const std::string& title) {
    std::string error;
    return wineControls(server_->displayName(), title, &error).value_or(std::vector<WineControl>{});
  }

  // Waits for the full-screen window to show the dial over a third of the screen.
  Picture waitForDial() {
    return x().waitForScreen(
        kStartTimeout,
        [](const Picture& s) {
          return dialPixels(s, {0, 0, s.width, s.height}) >= s.width * s.height / 3;
        },
        saver_.get());
  }

  std::string context(const std::string& step) {
    return screenshot(x(), step) + "\noutput:\n" + fileTail(artifactPath("saver", "log"));
  }

  WineTools tools_ = configuredWineTools();
  std::string prefix_ = configuredWinePrefix();
  std::unique_ptr<XServer> server_;
  std::unique_ptr<Process> saver_;
};

TEST_F(Screensaver, FullScreenShowsTheClockUntilAKeyAClickOrAMoveOfTheMouse) {
  // Without the slow turn the dial faces the screen and the picture holds still.
  ASSERT_NO_FATAL_FAILURE(storeChoice("SlowTurn", 0));
  struct Ending {
    const char* name;
    std::function<void(XDisplay&, Window)> act;
  };
  const Ending endings[] = {
      {"key",
       [](XDisplay& x, Window w) {
         x.focus(w);
         x.tapKey(XK_a);
       }},
      {"click", [](XDisplay& x, Window) { x.click(512, 384, 1); }},
      {"move", [](XDisplay& x, Window) { x.moveMouse(542, 384); }},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    x().moveMouse(512, 384);
    ASSERT_NO_FATAL_FAILURE(startSaver({ending.name[0] == 'k' ? "/s" : "-S"}));
    const Picture screen = waitForDial();
    Window window = x().findWindow("Waggler");
    ASSERT_NE(window, 0u) << context("no-window");
    const auto info = x().info(window);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->frame.x == 0 && info->frame.y == 0 && info->frame.width == 1024 &&
                info->frame.height == 768)
        << "the window covers the screen, not " << info->frame.width << "x" << info->frame.height
        << "+" << info->frame.x << "+" << info->frame.y;
    // Drawn into the whole screen: the dial stands in the middle, yellow in every quarter.
    for (int quarter = 0; quarter < 4; ++quarter) {
      const Rect area{quarter % 2 * 512, quarter / 2 * 384, 512, 384};
      EXPECT_GT(dialPixels(screen, area), 512 * 384 / 3)
          << "the dial's yellow in quarter " << quarter << context("dial");
    }
    EXPECT_LT(whitePixels(screen), 500) << "no digital time by default" << context("no-time");
    keepScreenshot(x(), std::string("running-") + ending.name);

    if (ending.name[0] == 'm') {
      x().moveMouse(513, 384);
      EXPECT_FALSE(saver_->waitExit(kIgnoredMovePeriod))
          << "a 1-pixel move is no user" << context("1px");
    }
    ending.act(x(), window);
    const auto code = saver_->waitExit(kExitTimeout);
    ASSERT_TRUE(code) << "the " << ending.name << " ends it" << context("still-running");
    EXPECT_EQ(*code, 0);
  }
}

TEST_F(Screensaver, SettingsDialogStoresTheChoicesThatTheNextRunShows) {
  // No argument, as Explorer's Configure gives: the dialog, its defaults kept by OK.
  ASSERT_NO_FATAL_FAILURE(start({WAGGLER_E2E_SCR}));
  ASSERT_NE(x().waitForWindow(kSettingsTitle, kStartTimeout, saver_.get()), 0u)
      << context("no-dialog");
  const auto dialog = controls(kSettingsTitle);
  for (const std::string text :
       {"Show the digital time", "Roman numerals", "Turn the scene slowly", "OK", "Cancel"})
    EXPECT_TRUE(std::any_of(dialog.begin(), dialog.end(),
                            [&](const WineControl& c) { return c.text == text; }))
        << "no control \"" << text << "\" among " << listed(dialog);
  keepScreenshot(x(), "dialog");
  x().tapKey(XK_Return);
  auto code = saver_->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << "Return presses OK" << context("dialog-open");
  EXPECT_EQ(*code, 0);
  std::string stored = storedChoices();
  for (const char* value : {"ShowDigitalTime    REG_DWORD    0x0",
                            "RomanNumerals    REG_DWORD    0x0", "SlowTurn    REG_DWORD    0x1"})
    EXPECT_NE(stored.find(value), std::string::npos) << "expected " << value << " in\n" << stored;

  // Space ticks the focused first box, Tab moves on to the slow turn.
  ASSERT_NO_FATAL_FAILURE(startSaver({"/c"}));
  const Window window = x().waitForWindow(kSettingsTitle, kStartTimeout, saver_.get());
  ASSERT_NE(window, 0u) << context("no-dialog-again");
  x().focus(window);
  for (KeySym key : {XK_space, XK_Tab, XK_Tab, XK_space, XK_Return}) x().tapKey(key);
  code = saver_->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << context("dialog-open-again");
  stored = storedChoices();
  for (const char* value : {"ShowDigitalTime    REG_DWORD    0x1", "SlowTurn    REG_DWORD    0x0"})
    EXPECT_NE(stored.find(value), std::string::npos) << "expected " << value << " in\n" << stored;

  ASSERT_NO_FATAL_FAILURE(startSaver({"/s"}));
  const Picture screen = waitForDial();
  EXPECT_GT(whitePixels(screen), 5000) << "the digital time is shown" << context("time");
  keepScreenshot(x(), "digital-time");
}

TEST_F(Screensaver, PreviewFillsTheHostsWindowAndEndsWhenTheHostDestroysIt) {
  std::string scr = std::string("Z:") + WAGGLER_E2E_SCR;
  std::replace(scr.begin(), scr.end(), '/', '\\');
  ASSERT_NO_FATAL_FAILURE(start({WAGGLER_E2E_SAVER_HOST, scr}));
  Window host = x().waitForWindow(kHostTitle, kStartTimeout, saver_.get());
  ASSERT_NE(host, 0u) << context("no-host");
  // The host's popup is all client area; the preview is a child of it in the same place.
  std::vector<WineControl> children;
  const bool previewed = pollUntil(
      kStartTimeout,
      [&] {
        children = controls(kHostTitle);
        return std::any_of(children.begin(), children.end(), [](const WineControl& c) {
          return c.cls == "WagglerScreensaver" && c.visible && c.frame == Rect{100, 80, 320, 240};
        });
      },
      Millis(200));
  EXPECT_TRUE(previewed) << "expected a visible WagglerScreensaver at 100,80 320x240 among "
                         << listed(children);
  keepScreenshot(x(), "preview");
  x().focus(host);
  x().tapKey(XK_a);  // the host destroys its window
  const auto code = saver_->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << context("host-still-running");
  EXPECT_EQ(*code, 0) << "the host exits with the screensaver's exit code (3: it outlived the "
                         "window)"
                      << context("host-exit");
}

TEST_F(Screensaver, RefusedCommandLinesExitWithOneAndShowNoScene) {
  ASSERT_NO_FATAL_FAILURE(startSaver({"/x"}));
  ASSERT_NE(x().waitForWindow("Waggler screensaver", kStartTimeout, saver_.get()), 0u)
      << context("no-box");
  const auto box = controls("Waggler screensaver");
  EXPECT_TRUE(std::any_of(box.begin(), box.end(),
                          [](const WineControl& c) {
                            return c.text.find("/s shows it, /p HWND previews it") !=
                                   std::string::npos;
                          }))
      << "the box says what it takes, not " << listed(box);
  EXPECT_EQ(x().findWindow("Waggler"), 0u) << "no scene window" << context("box");
  x().tapKey(XK_Return);
  auto code = saver_->waitExit(kExitTimeout);
  ASSERT_TRUE(code) << context("box-still-up");
  EXPECT_EQ(*code, 1);

  // A preview handle that is no window, and old Windows' password change.
  for (const auto& [argument, exitCode] :
       {std::pair<const char*, int>{"/p", 1}, std::pair<const char*, int>{"/a", 0}}) {
    x().takeMappedTitles();
    ASSERT_NO_FATAL_FAILURE(startSaver({argument, "999999"}));
    code = saver_->waitExit(kStartTimeout);
    ASSERT_TRUE(code) << argument << context("still-running");
    EXPECT_EQ(*code, exitCode) << argument;
    for (const std::string& title : x().takeMappedTitles())
      EXPECT_TRUE(title.rfind("Waggler", 0) != 0) << argument << " mapped " << title;
  }
}

}  // namespace
