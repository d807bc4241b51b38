// Turns the icon's PNG files into the table the Linux programs set as their windows' icon:
// for each file its width, its height and its pixels as non-premultiplied ARGB words.
// Usage: embed_icons OUTPUT.cpp ICON.png...
#include <cstdio>
#include <string>

#include "harness/picture.h"

using namespace pictures;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: embed_icons OUTPUT.cpp ICON.png...\n");
    return 2;
  }
  std::string body =
      "// Generated from the icon's PNG files by tools/embed_icons.cpp; do not edit.\n"
      "#include \"platform/linux/window_icon.h\"\n\n"
      "const unsigned int platform::windowIconWords[] = {\n";
  std::size_t words = 0;
  char word[16];
  for (int i = 2; i < argc; ++i) {
    const auto icon = readPng(argv[i]);
    if (!icon || icon->empty()) {
      std::fprintf(stderr, "embed_icons: cannot read %s\n", argv[i]);
      return 1;
    }
    body += "    // " + std::string(argv[i]) + "\n    " + std::to_string(icon->width) + ", " +
            std::to_string(icon->height) + ",";
    words += 2;
    for (std::size_t p = 0; p < icon->pixels.size(); ++p) {
      const Rgb c = icon->pixels[p];
      const unsigned alpha = icon->alpha.empty() ? 255u : icon->alpha[p];
      std::snprintf(word, sizeof word, "0x%08x,", (alpha << 24) | (c.r << 16) | (c.g << 8) | c.b);
      body += (p % 8 == 0 ? "\n    " : " ") + std::string(word);
    }
    body += "\n";
    words += icon->pixels.size();
  }
  body += "};\nconst std::size_t platform::windowIconWordCount = " + std::to_string(words) + ";\n";
  const std::string path = argv[1];
  if (!writeFile(path, std::vector<std::uint8_t>(body.begin(), body.end()))) {
    std::fprintf(stderr, "embed_icons: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
