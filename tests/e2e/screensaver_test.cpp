// The screensaver waggler.scr under Wine in a private X server, run the way Windows runs it:
// full screen until the user comes back, the settings dialog and what it stores, the preview
// inside a window of our host program, and command lines it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "tests/e2e/harness.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace e2e;

namespace {

constexpr Millis kStartTimeout{60000};
constexpr Millis kEndTimeout{20000};
// Long enough for a move that would end the screensaver to have ended it.
constexpr Millis kQuietPeriod{1500};
const char kSettingsKey[] = "HKCU\\Software\\Waggler\\Screensaver";
const char kSettingsTitle[] = "Waggler Screensaver Settings";
const char kHostTitle[] = "Waggler preview host";

// White pixels above the credit line: the digital time is the only white thing drawn.
int whitePixels(const Image& screen) {
  int count = 0;
  for (int y = 0; y < screen.height() - 40; ++y)
    for (int x = 0; x < screen.width(); ++x) {
      const Rgb p = screen.at(x, y);
      count += std::min({p.r, p.g, p.b}) > 235;
    }
  return count;
}

class Screensaver : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(prepareWinePrefix(tools_, prefix_, false, &error)) << error;
    stopWine(tools_, prefix_);
    server_ = XServer::start({}, &error);
    ASSERT_TRUE(server_) << error;
    x_ = XDisplay::open(server_->displayName(), &error);
    ASSERT_TRUE(x_) << error;
    wine({"reg", "delete", kSettingsKey, "/f"});  // each test starts from the defaults
  }

  void TearDown() override {
    if (saver_) saver_->kill();
    wine({"reg", "delete", kSettingsKey, "/f"});
    stopWine(tools_, prefix_);
  }

  Env env() {
    Env env = wineEnv(prefix_);
    env.push_back({"DISPLAY", server_->displayName()});
    env.push_back({"LIBGL_ALWAYS_SOFTWARE", "1"});
    return env;
  }

  RunResult wine(std::vector<std::string> args) {
    args.insert(args.begin(), tools_.wine);
    return runCommand(args, env(), Millis(60000));
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

  // The controls of the window titled `title`, one "class|visible|x,y,w,h|text" a line.
  std::string controls(const std::string& title) {
    return wine({WAGGLER_E2E_WINE_PROBE, title}).output;
  }

  // Polls until the full-screen window shows the dial over a third of the screen.
  Image waitForDial() {
    const auto deadline = Clock::now() + kStartTimeout;
    Image screen = x_->grabScreen();
    while (dialPixels(screen, {0, 0, screen.width(), screen.height()}) <
               screen.width() * screen.height() / 3 &&
           Clock::now() < deadline && saver_->running()) {
      std::this_thread::sleep_for(Millis(100));
      screen = x_->grabScreen();
    }
    return screen;
  }

  std::string context(const std::string& step) {
    return screenshot(*x_, step) + "\noutput:\n" + fileTail(artifactPath("saver", "log"));
  }

  WineTools tools_ = configuredWineTools();
  std::string prefix_ = configuredWinePrefix();
  std::unique_ptr<XServer> server_;
  std::unique_ptr<XDisplay> x_;
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
    x_->moveMouse(512, 384);
    ASSERT_NO_FATAL_FAILURE(startSaver({ending.name[0] == 'k' ? "/s" : "-S"}));
    const Image screen = waitForDial();
    Window window = x_->findWindow("Waggler");
    ASSERT_NE(window, 0u) << context("no-window");
    const auto info = x_->info(window);
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
    keepScreenshot(*x_, std::string("running-") + ending.name);

    if (ending.name[0] == 'm') {
      x_->moveMouse(513, 384);
      EXPECT_FALSE(saver_->waitExit(kQuietPeriod)) << "a 1-pixel move is no user" << context("1px");
    }
    ending.act(*x_, window);
    const auto code = saver_->waitExit(kEndTimeout);
    ASSERT_TRUE(code) << "the " << ending.name << " ends it" << context("still-running");
    EXPECT_EQ(*code, 0);
  }
}

TEST_F(Screensaver, SettingsDialogStoresTheChoicesThatTheNextRunShows) {
  // No argument, as Explorer's Configure gives: the dialog, its defaults kept by OK.
  ASSERT_NO_FATAL_FAILURE(start({WAGGLER_E2E_SCR}));
  ASSERT_NE(x_->waitForWindow(kSettingsTitle, kStartTimeout), 0u) << context("no-dialog");
  const std::string listed = controls(kSettingsTitle);
  for (const char* control :
       {"|Show the &digital time", "|&Roman numerals", "|Turn the scene &slowly", "|OK", "|Cancel"})
    EXPECT_NE(listed.find(control), std::string::npos) << "no control " << control << " in\n"
                                                       << listed;
  keepScreenshot(*x_, "dialog");
  x_->tapKey(XK_Return);
  auto code = saver_->waitExit(kEndTimeout);
  ASSERT_TRUE(code) << "Return presses OK" << context("dialog-open");
  EXPECT_EQ(*code, 0);
  std::string stored = storedChoices();
  for (const char* value : {"ShowDigitalTime    REG_DWORD    0x0",
                            "RomanNumerals    REG_DWORD    0x0", "SlowTurn    REG_DWORD    0x1"})
    EXPECT_NE(stored.find(value), std::string::npos) << "expected " << value << " in\n" << stored;

  // Space ticks the focused first box, Tab moves on to the slow turn.
  ASSERT_NO_FATAL_FAILURE(startSaver({"/c"}));
  Window dialog = x_->waitForWindow(kSettingsTitle, kStartTimeout);
  ASSERT_NE(dialog, 0u) << context("no-dialog-again");
  x_->focus(dialog);
  for (KeySym key : {XK_space, XK_Tab, XK_Tab, XK_space, XK_Return}) x_->tapKey(key);
  code = saver_->waitExit(kEndTimeout);
  ASSERT_TRUE(code) << context("dialog-open-again");
  stored = storedChoices();
  for (const char* value : {"ShowDigitalTime    REG_DWORD    0x1", "SlowTurn    REG_DWORD    0x0"})
    EXPECT_NE(stored.find(value), std::string::npos) << "expected " << value << " in\n" << stored;

  ASSERT_NO_FATAL_FAILURE(startSaver({"/s"}));
  const Image screen = waitForDial();
  EXPECT_GT(whitePixels(screen), 5000) << "the digital time is shown" << context("time");
  keepScreenshot(*x_, "digital-time");
}

TEST_F(Screensaver, PreviewFillsTheHostsWindowAndEndsWhenTheHostDestroysIt) {
  std::string scr = std::string("Z:") + WAGGLER_E2E_SCR;
  std::replace(scr.begin(), scr.end(), '/', '\\');
  ASSERT_NO_FATAL_FAILURE(start({WAGGLER_E2E_SAVER_HOST, scr}));
  Window host = x_->waitForWindow(kHostTitle, kStartTimeout);
  ASSERT_NE(host, 0u) << context("no-host");
  // The host's popup is all client area; the preview is a child of it in the same place.
  const std::string expected = "WagglerScreensaver|1|100,80,320,240|";
  const auto deadline = Clock::now() + kStartTimeout;
  std::string listed;
  while ((listed = controls(kHostTitle)).find(expected) == std::string::npos &&
         Clock::now() < deadline)
    std::this_thread::sleep_for(Millis(200));
  EXPECT_NE(listed.find(expected), std::string::npos) << "expected " << expected << " in\n"
                                                      << listed;
  keepScreenshot(*x_, "preview");
  x_->focus(host);
  x_->tapKey(XK_a);  // the host destroys its window
  const auto code = saver_->waitExit(kEndTimeout);
  ASSERT_TRUE(code) << context("host-still-running");
  EXPECT_EQ(*code, 0) << "the host exits with the screensaver's exit code (3: it outlived the "
                         "window)"
                      << context("host-exit");
}

TEST_F(Screensaver, RefusedCommandLinesExitWithOneAndShowNoScene) {
  ASSERT_NO_FATAL_FAILURE(startSaver({"/x"}));
  ASSERT_NE(x_->waitForWindow("Waggler screensaver", kStartTimeout), 0u) << context("no-box");
  const std::string listed = controls("Waggler screensaver");
  EXPECT_NE(listed.find("/s shows it, /p HWND previews it"), std::string::npos)
      << "the box says what it takes:\n"
      << listed;
  EXPECT_EQ(x_->findWindow("Waggler"), 0u) << "no scene window" << context("box");
  x_->tapKey(XK_Return);
  auto code = saver_->waitExit(kEndTimeout);
  ASSERT_TRUE(code) << context("box-still-up");
  EXPECT_EQ(*code, 1);

  // A preview handle that is no window, and old Windows' password change.
  for (const auto& [argument, exitCode] :
       {std::pair<const char*, int>{"/p", 1}, std::pair<const char*, int>{"/a", 0}}) {
    x_->takeMappedTitles();
    ASSERT_NO_FATAL_FAILURE(startSaver({argument, "999999"}));
    code = saver_->waitExit(kStartTimeout);
    ASSERT_TRUE(code) << argument << context("still-running");
    EXPECT_EQ(*code, exitCode) << argument;
    for (const std::string& title : x_->takeMappedTitles())
      EXPECT_TRUE(title.rfind("Waggler", 0) != 0) << argument << " mapped " << title;
  }
}

}  // namespace
