// Prints the cost of one whole frame at several client sizes, drawn offscreen with the
// numerals and the digital time shown, so the figure covers every drawing routine.
// Usage: frame_cost [WIDTHxHEIGHT ...]
#include <chrono>
#include <cstdio>
#include <vector>

#include "harness/offscreen_scene.h"
#include "records/state.h"
#include "scene/frame.h"

int main(int argc, char** argv) {
  std::vector<std::pair<int, int>> sizes;
  for (int i = 1; i < argc; ++i) {
    int width = 0, height = 0;
    if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
      std::fprintf(stderr, "usage: frame_cost [WIDTHxHEIGHT ...]\n");
      return 64;
    }
    sizes.emplace_back(width, height);
  }
  if (sizes.empty()) sizes = {{200, 200}, {400, 400}, {800, 600}, {1024, 1024}};
  const int frames = 100;
  std::printf("%-12s %12s %12s\n", "client", "ms/frame", "share of 20 ms");
  for (const auto& [width, height] : sizes) {
    std::string reason;
    if (!prepareScene(width, height, reason)) {
      std::fprintf(stderr, "frame_cost: %s\n", reason.c_str());
      return 1;
    }
    clockState.showDigitalTime = true;
    renderFrame();  // warm up: first use of lists and textures
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
      renderFrame();
      glFinish();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        frames;
    const int columns = std::printf("%dx%d", width, height);
    std::printf("%*s %12.2f %11.0f%%\n", 12 - columns, "", ms, ms / 20.0 * 100.0);
  }
  return 0;
}
