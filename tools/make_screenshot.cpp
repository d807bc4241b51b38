// Takes the README's screenshot from the program itself: the clock in a private X server with
// its wall clock standing at ten past ten, the digital time shown, saved as a PNG.
// Usage: make_screenshot [file]   (default docs/screenshot.png)
#include <gtest/gtest.h>  // the harness names its artefacts after the running test, if any

#include <cstdio>
#include <functional>

#include "harness/e2e.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/keysym.h>

using namespace e2e;

namespace {

int whitePixels(const Picture& picture) {
  int n = 0;
  for (const Rgb p : picture.pixels) n += p.r > 235 && p.g > 235 && p.b > 235;
  return n;
}

// Grabs the window until `ready` holds for two grabs alike in a row: a frame caught while it
// was drawn must not be kept.
std::optional<Picture> settled(XDisplay& x, const Rect& area,
                               const std::function<bool(const Picture&)>& ready) {
  Picture last, now;
  const bool seen = pollUntil(
      kStartTimeout,
      [&] {
        now = cut(x.grabScreen(), area);
        const bool alike = !last.empty() && now.pixels == last.pixels;
        last = now;
        return ready(now) && alike;
      },
      Millis(100));
  return seen ? std::optional<Picture>(now) : std::nullopt;
}

int fail(const std::string& why) {
  std::fprintf(stderr, "make_screenshot: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "docs/screenshot.png";
  SessionOptions options;
  options.fixedTime = "2024-05-06 10:08:00";
  options.env = {{"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};  // the frame timer keeps its pace
  std::string error;
  auto session = ClockSession::start(linuxProgram, options, &error);
  if (!session) return fail(error);
  const Window clock = session->waitForWindow(kClockTitle, kStartTimeout);
  if (!clock) return fail("no clock window; the program said: " + session->log());
  const auto info = session->x().info(clock);
  if (!info) return fail("the clock window went away");
  const Rect area = info->frame;

  auto dialDrawn = [](const Picture& p) {
    return dialPixels(p, {0, 0, p.width, p.height}) > p.width * p.height / 2;
  };
  const auto before = settled(session->x(), area, dialDrawn);
  if (!before) return fail("the dial was never drawn");
  session->x().focus(clock);
  session->x().tapKey(XK_i);
  // The digital time floats above the dial in white.
  const int whiteBefore = whitePixels(*before);
  const auto shot = settled(session->x(), area, [&](const Picture& p) {
    return dialDrawn(p) && whitePixels(p) > whiteBefore + 200;
  });
  if (!shot) return fail("the digital time never showed");
  if (!writePng(*shot, path)) return fail("cannot write " + path);
  std::printf("%s: %dx%d\n", path.c_str(), shot->width, shot->height);
  return 0;
}
