// Writes resources/stripes.bmp and resources/honeycomb.bmp (or into the folder given).
#include <cstdio>
#include <string>

#include "tools/bitmaps.h"

static bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "resources";
  if (!writeFile(folder + "/stripes.bmp", encodeBitmapFile(drawStripes())) ||
      !writeFile(folder + "/honeycomb.bmp", encodeBitmapFile(drawHoneycomb()))) {
    std::fprintf(stderr, "make_bitmaps: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
