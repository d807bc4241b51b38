// Prints the cost of one whole frame at several client sizes, drawn offscreen with the
// numerals and the digital time shown, so the figure covers every drawing routine.
#include <chrono>
#include <cstdio>

#include "app/state.h"
#include "render/frame.h"
#include "tests/support/scene.h"

int main() {
  const int sizes[][2] = {{200, 200}, {400, 400}, {800, 600}, {1024, 1024}};
  const int frames = 100;
  std::printf("%-12s %12s %12s\n", "client", "ms/frame", "share of 20 ms");
  for (const auto& size : sizes) {
    std::string reason;
    if (!prepareScene(size[0], size[1], reason)) {
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
    std::printf("%4dx%-7d %12.2f %11.0f%%\n", size[0], size[1], ms, ms / 20.0 * 100.0);
  }
  return 0;
}
