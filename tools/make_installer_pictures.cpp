// Draws the Windows installer's two pictures from the clock, offscreen: the welcome and finish
// pages' side picture and the other pages' header picture, as 24-bit BMP files named by their
// size in pixels (cmake/nsis/NSIS.template.in names them). The build runs it; nothing is kept.
// Usage: make_installer_pictures folder
#include <cstdio>
#include <string>

#include "tools/bitmaps.h"
#include "tools/clock_pictures.h"

namespace {

struct InstallerPicture {
  const char* name;
  int width, height;  // as Modern UI lays it out at 100 %
  double halfHeight;  // scene units shown above and below the dial's centre
};

// The side picture is an upright band of the whole dial (200 units either side), 11, 12 and 1
// above the bee, 7, 6 and 5 below; the header is the bee close up, too small for numerals,
// and a wider band would cut them at its edges.
const InstallerPicture installerPictures[] = {
    {"welcome", 164, 314, 199.0},
    {"header", 150, 57, 50.0},
};
// Each is drawn this many times larger and averaged down, which smooths its edges.
const int oversampling = 4;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_installer_pictures folder\n");
    return 2;
  }
  for (const InstallerPicture& p : installerPictures) {
    const Canvas drawn = drawClock(p.width * oversampling, p.height * oversampling, p.halfHeight);
    if (drawn.width == 0) return 1;
    const Picture picture = toPicture(scaleDown(drawn, p.width, p.height), false);
    const std::string path = std::string(argv[1]) + "/" + p.name + "-" + std::to_string(p.width) +
                             "x" + std::to_string(p.height) + ".bmp";
    if (!pictures::writeFile(path, encodeBitmapFile(picture))) {
      std::fprintf(stderr, "make_installer_pictures: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
