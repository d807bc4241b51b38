// Parsing of the hack's options: -opt and --opt alike, as xscreensaver's own hacks take them.
#include "saver/linux/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const hackUsage =
    "usage: wagglersaver [-window | -root | -window-id ID] [-digital | -no-digital]\n"
    "                    [-roman | -no-roman] [-spin | -no-spin] [-fps]\n"
    "  -window        a window of its own (the default)\n"
    "  -root          the window in $XSCREENSAVER_WINDOW, else the root window\n"
    "  -window-id ID  the window ID, decimal or 0x hex\n"
    "  -install, -visual V and -mono are accepted and ignored.\n";

namespace {

// A window id in decimal or 0x hex; 0 is never a window.
bool parseWindowId(const char* text, unsigned long& id) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  // strtoul would also take signs and spaces.
  const unsigned char first = static_cast<unsigned char>(digits[0]);
  if (hex ? !std::isxdigit(first) : !std::isdigit(first)) return false;
  char* end = nullptr;
  errno = 0;
  id = std::strtoul(digits, &end, hex ? 16 : 10);
  return errno == 0 && *end == '\0' && id != 0;
}

}  // namespace

bool parseHackOptions(int argc, const char* const* argv, HackOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    // "--root" is "-root"; anything not starting with a dash is not an option.
    const char* name = std::strncmp(word, "--", 2) == 0 ? word + 1 : word;
    auto is = [name](const char* option) { return std::strcmp(name, option) == 0; };
    const bool hasValue = i + 1 < argc;
    if (is("-window")) {
      options.target = HackTarget::ownWindow;
    } else if (is("-root")) {
      options.target = HackTarget::root;
    } else if (is("-window-id")) {
      if (!hasValue || !parseWindowId(argv[i + 1], options.windowId)) {
        error = hasValue ? std::string("bad window id: ") + argv[i + 1] : "-window-id needs an ID";
        return false;
      }
      options.target = HackTarget::windowId;
      ++i;
    } else if (is("-digital") || is("-no-digital")) {
      options.digital = is("-digital");
    } else if (is("-roman") || is("-no-roman")) {
      options.roman = is("-roman");
    } else if (is("-spin") || is("-no-spin")) {
      options.spin = is("-spin");
    } else if (is("-fps")) {
      options.fps = true;
    } else if (is("-install") || is("-mono")) {
      // Colormaps and monochrome screens are xscreensaver's business, not this scene's.
    } else if (is("-visual")) {
      // The window's own visual is the one drawn with; the name given is not needed.
      if (!hasValue) {
        error = "-visual needs a value";
        return false;
      }
      ++i;
    } else {
      error = std::string("unknown option: ") + word;
      return false;
    }
  }
  return true;
}
