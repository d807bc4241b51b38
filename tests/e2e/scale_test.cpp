// The Windows programs at 200 %, in a Wine prefix of their own whose LogPixels is 192: the
// clock draws the same picture twice as large at the display's own resolution, turns as far per
// program pixel and doubles its credit line; the screensaver's credit line fits its monitor;
// and where Wine stretches programs that do not say they handle the scale (from Wine 9.17),
// neither program is stretched, while a copy of the clock that Wine is told is unaware is.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "harness/e2e.h"

using namespace e2e;

namespace {

const char kFrozen[] = "2024-05-06 03:00:00";
// Two renderings of one scene at two scales, the larger halved, differ by anti-aliasing and
// texture filtering alone; a scene turned by another angle differs many times more.
constexpr double kSameScene = 6.0;
constexpr double kTurnedScene = 10.0;

struct Shown {
  Rect client;  // in root coordinates
  Picture screen;
};

// Starts `program` with the wall clock frozen and returns its client area once drawn and still.
// Wine draws the GL client area in a child window, whose place is the client area's at any scale.
Shown show(const Program& program, std::unique_ptr<ClockSession>* session, Window* clock) {
  SessionOptions options;
  options.xvfbArgs = {"-screen", "0", "1280x1024x24"};
  options.fixedTime = kFrozen;
  options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
  startSession(program, options, session);
  if (!*session) return {};
  showClock(**session, clock);
  if (!*clock) return {};
  XDisplay& x = (*session)->x();
  std::optional<Rect> client;
  Picture previous, screen;
  pollUntil(kStartTimeout, [&] {
    client = x.childArea(*clock);
    if (!client) return false;
    screen = x.grabScreen();
    const bool still = !previous.empty() && differingPixels(previous, screen, *client) == 0 &&
                       dialPixels(screen, *client) > client->width * client->height / 2;
    previous = screen;
    return still;
  });
  if (!client) return {};
  return {*client, screen};
}

// Drags the scene with the right button by `pixels` to the right from the client area's centre,
// and returns the screen once the picture stands still again.
Picture dragAndWait(ClockSession& session, const Rect& client, int pixels) {
  const int x = client.x + client.width / 2, y = client.y + client.height / 2;
  const Picture before = session.x().grabScreen();
  session.x().rightDrag(x, y, x + pixels, y);
  Picture previous;
  return session.x().waitForScreen(kShowTimeout, [&](const Picture& s) {
    const bool settled = !previous.empty() && differingPixels(previous, s, client) == 0 &&
                         differingPixels(before, s, client) > 0;
    previous = s;
    return settled;
  });
}

// The screensaver full screen in `prefix` on a 1280 by 1024 screen of its own, once its dial and
// credit line are drawn: the screen, or an empty picture with `error` saying why.
Picture screensaverIn(const std::string& prefix, std::string* error) {
  const WineTools tools = configuredWineTools();
  stopWine(tools, prefix);
  const auto server = XServer::start({"-screen", "0", "1280x1024x24"}, error);
  if (!server) return {};
  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", server->displayName()});
  env.push_back({"LIBGL_ALWAYS_SOFTWARE", "1"});
  const auto saver = Process::start(
      {tools.wine, WAGGLER_E2E_SCR, "/s"}, env,
      artifactPath("saver-in-" + std::filesystem::path(prefix).filename().string(), "log"), error);
  if (!saver) return {};
  const Rect whole{0, 0, 1280, 1024};
  Picture screen = server->x().waitForScreen(
      kStartTimeout,
      [&](const Picture& s) {
        return dialPixels(s, whole) >= s.width * s.height / 3 && creditLineBox(s, whole).height > 0;
      },
      saver.get());
  keepScreenshot(server->x(), "saver-in-" + std::filesystem::path(prefix).filename().string());
  saver->kill();
  stopWine(tools, prefix);
  if (creditLineBox(screen, whole).height == 0) *error = "no credit line shown";
  return screen;
}

std::string size(const Rect& r) {
  return std::to_string(r.width) + "x" + std::to_string(r.height);
}

}  // namespace

TEST(TwoHundredPercent, TheExeDrawsTheSameClockTwiceAsLargeAndTurnsAsFarPerProgramPixel) {
  std::unique_ptr<ClockSession> session96, session192;
  Window clock96 = 0, clock192 = 0;
  const Shown at96 = show(windowsExe, &session96, &clock96);
  ASSERT_GT(at96.client.width, 0) << "no clock drawn at 96" << session96->context("at-96");
  const Shown at192 = show(windowsExeAt192, &session192, &clock192);
  ASSERT_GT(at192.client.width, 0) << "no clock drawn at 192" << session192->context("at-192");

  ASSERT_EQ(at192.client.width, 2 * at96.client.width)
      << "client areas " << size(at96.client) << " and " << size(at192.client)
      << session192->context("size");
  ASSERT_EQ(at192.client.height, 2 * at96.client.height)
      << "client areas " << size(at96.client) << " and " << size(at192.client);
  const Picture small = cut(at96.screen, at96.client), large = cut(at192.screen, at192.client);
  const double alike = meanDifference(halved(large), small);
  EXPECT_LT(alike, kSameScene) << "the picture at 192 halved is not the one at 96"
                               << session192->context("halved");
  const double detail = fineDetail(cut(at192.screen, dialCentre(at192.client)));
  EXPECT_GT(detail, kDrawnAtItsSize) << "the picture at 192 holds little detail: " << detail;

  const Rect credit96 = creditLineBox(at96.screen, at96.client);
  const Rect credit192 = creditLineBox(at192.screen, at192.client);
  EXPECT_NEAR(credit192.height, 2 * credit96.height, 2)
      << "the credit line's glyphs are " << credit192.height << " pixels tall at 192, "
      << credit96.height << " at 96";
  EXPECT_NEAR(at192.client.width - credit192.x, 2 * (at96.client.width - credit96.x), 3)
      << "the credit line starts " << at192.client.width - credit192.x
      << " pixels from the right edge at 192, " << at96.client.width - credit96.x << " at 96";

  // 100 pixels at 192 are 50 program pixels: the same turn as 50 pixels at 96.
  const Picture turned96 = dragAndWait(*session96, at96.client, 50);
  const Picture turned192 = dragAndWait(*session192, at192.client, 100);
  const Picture turnedLarge = cut(turned192, at192.client);
  const double turn = meanDifference(turnedLarge, large);
  EXPECT_GT(turn, kTurnedScene) << "the drag did not turn the scene" << session192->context("drag");
  const double turnedAlike = meanDifference(halved(turnedLarge), cut(turned96, at96.client));
  EXPECT_LT(turnedAlike, kSameScene)
      << "a 100-pixel drag at 192 turned the scene otherwise than a 50-pixel one at 96"
      << session192->context("turned-192") << session96->context("turned-96");
  std::printf(
      "halved 192 against 96: %.2f still, %.2f turned (the turn itself: %.2f); detail at "
      "192: %.2f\n",
      alike, turnedAlike, turn, detail);
}

TEST(TwoHundredPercent, TheScreensaversCreditLineStandsAsFarFromTheCornerInProgramPixels) {
  const WineTools tools = configuredWineTools();
  std::string error;
  ASSERT_TRUE(prepareWinePrefix(tools, configuredWinePrefix(), false, &error)) << error;
  ASSERT_TRUE(prepareScaledWinePrefix(tools, 192, &error)) << error;
  const Picture at96 = screensaverIn(configuredWinePrefix(), &error);
  ASSERT_FALSE(at96.empty()) << "the screensaver at 96: " << error;
  const Picture at192 = screensaverIn(scaledWinePrefix(192), &error);
  ASSERT_FALSE(at192.empty()) << "the screensaver at 192: " << error;

  const Rect whole{0, 0, 1280, 1024};
  const Rect credit96 = creditLineBox(at96, whole), credit192 = creditLineBox(at192, whole);
  EXPECT_NEAR(credit192.height, 2 * credit96.height, 2)
      << "the credit line's glyphs are " << credit192.height << " pixels tall at 192, "
      << credit96.height << " at 96";
  EXPECT_NEAR(whole.width - credit192.x, 2 * (whole.width - credit96.x), 3)
      << "the credit line starts " << whole.width - credit192.x
      << " pixels from the right edge at 192, " << whole.width - credit96.x << " at 96";
}

TEST(TwoHundredPercent, WhereWineStretchesUnawareProgramsNeitherProgramIsStretched) {
  const WineTools tools = configuredWineTools();
  const int wine = wineMajorVersion(tools);
  if (wine < 9) GTEST_SKIP() << "Wine " << wine << " draws every program as aware of the scale";
  std::string error;
  ASSERT_TRUE(prepareScaledWinePrefix(tools, 192, &error)) << error;
  const std::string prefix = scaledWinePrefix(192);

  // The screensaver's view of its monitor.
  const Picture saver = screensaverIn(prefix, &error);
  ASSERT_FALSE(saver.empty()) << "the screensaver at 192: " << error;
  const double saverDetail = fineDetail(cut(saver, dialCentre({0, 0, 1280, 1024})));
  EXPECT_GT(saverDetail, kDrawnAtItsSize) << "the screensaver is stretched: " << saverDetail;

  // A copy of the clock under another name, which Wine is told is unaware of the scale.
  const std::string copy = prefix + "/drive_c/waggler-unaware.exe";
  std::filesystem::copy_file(windowsExe.path, copy,
                             std::filesystem::copy_options::overwrite_existing);
  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", ""});
  const RunResult told =
      runCommand({tools.wine, "reg", "add",
                  "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
                  "Options\\waggler-unaware.exe",
                  "/v", "dpiAwareness", "/t", "REG_DWORD", "/d", "0", "/f"},
                 env, Millis(60000));
  stopWine(tools, prefix);
  ASSERT_TRUE(told.finished && told.exitCode == 0) << told.output;
  SessionOptions options;
  options.xvfbArgs = {"-screen", "0", "1280x1024x24"};
  options.fixedTime = kFrozen;
  options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
  options.program = copy;
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(windowsExeAt192, options, &session));
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock));
  // Stretched, its client area is the window Wine shows it in, twice the size it draws.
  Picture screen;
  std::optional<WindowInfo> shown;
  pollUntil(kStartTimeout, [&] {
    shown = session->x().info(clock);
    screen = session->x().grabScreen();
    return shown && dialPixels(screen, shown->frame) > shown->frame.width * shown->frame.height / 2;
  });
  ASSERT_TRUE(shown) << session->context("unaware");
  const double unawareDetail = fineDetail(cut(screen, dialCentre(shown->frame)));
  EXPECT_LT(unawareDetail, kDrawnAtItsSize)
      << "the copy told it is unaware was not stretched: " << unawareDetail
      << session->context("unaware");
  std::printf("detail at 192: the screensaver %.2f, the unaware copy %.2f\n", saverDetail,
              unawareDetail);
}
