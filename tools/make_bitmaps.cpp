// Writes resources/stripes.bmp and resources/honeycomb.bmp (or into the folder given).
#include <cstdio>
#include <string>

#include "tools/bitmaps.h"

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "resources";
  using pictures::writeFile;
  if (!writeFile(folder + "/stripes.bmp", encodeBitmapFile(drawStripes())) ||
      !writeFile(folder + "/honeycomb.bmp", encodeBitmapFile(drawHoneycomb()))) {
    std::fprintf(stderr, "make_bitmaps: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
