// Takes the README's screenshot from the program itself: the clock in a private X server with
// its wall clock standing at ten past ten, the digital time shown, saved as a PNG.
// Usage: make_screenshot [file]   (default docs/screenshot.png)
#include <gtest/gtest.h>  // the harness names its artefacts after the running test, if any
#include <png.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "tests/e2e/harness.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/keysym.h>

using namespace e2e;

namespace {

constexpr Millis kTimeout{60000};

Image cut(const Image& screen, const Rect& area) {
  Image out(area.width, area.height);
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x) out.set(x, y, screen.at(area.x + x, area.y + y));
  return out;
}

int count(const Image& picture, bool (*kind)(Rgb)) {
  int n = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) n += kind(picture.at(x, y));
  return n;
}

bool honeycomb(Rgb p) {
  return p.r > 200 && p.g > 100 && p.b < 80;
}
bool white(Rgb p) {
  return p.r > 235 && p.g > 235 && p.b > 235;
}

bool same(const Image& a, const Image& b) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

// Grabs the window until `ready` holds for two grabs alike in a row: a frame caught while it
// was drawn must not be kept.
std::optional<Image> settled(XDisplay& x, const Rect& area,
                             const std::function<bool(const Image&)>& ready) {
  const auto deadline = Clock::now() + kTimeout;
  Image last;
  while (Clock::now() < deadline) {
    Image now = cut(x.grabScreen(), area);
    if (ready(now) && !last.empty() && same(now, last)) return now;
    last = now;
    std::this_thread::sleep_for(Millis(100));
  }
  return std::nullopt;
}

bool writePng(const Image& picture, const std::string& path) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const Rgb p = picture.at(x, y);
      rgb.insert(rgb.end(), {p.r, p.g, p.b});
    }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width());
  image.height = static_cast<png_uint_32>(picture.height());
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
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
  auto session = ClockSession::start(Build::kLinux, options, &error);
  if (!session) return fail(error);
  const Window clock = session->waitForWindow("Waggler", kTimeout);
  if (!clock) return fail("no clock window; the program said: " + session->log());
  const auto info = session->x().info(clock);
  if (!info) return fail("the clock window went away");
  const Rect area = info->frame;

  auto dialDrawn = [](const Image& p) { return count(p, honeycomb) > p.width() * p.height() / 2; };
  const auto before = settled(session->x(), area, dialDrawn);
  if (!before) return fail("the dial was never drawn");
  session->x().focus(clock);
  session->x().tapKey(XK_i);
  // The digital time floats above the dial in white.
  const int whiteBefore = count(*before, white);
  const auto shot = settled(session->x(), area, [&](const Image& p) {
    return dialDrawn(p) && count(p, white) > whiteBefore + 200;
  });
  if (!shot) return fail("the digital time never showed");
  if (!writePng(*shot, path)) return fail("cannot write " + path);
  std::printf("%s: %dx%d\n", path.c_str(), shot->width(), shot->height());
  return 0;
}
