// Parsing of the hack's options by their table: -opt and --opt alike, as xscreensaver's own
// hacks take them; and the usage text written from the same table.
#include "saver/linux/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A default in the table that HackOptions does not start with would make the usage lie.
constexpr bool defaultsAgree() {
  constexpr HackOptions fresh{};
  for (const HackOption& option : hackOptionTable) {
    switch (option.kind) {
      case HackOptionKind::target:
        if (option.byDefault != (option.target == fresh.target)) return false;
        break;
      case HackOptionKind::toggle:
      case HackOptionKind::flag:
        if (option.byDefault != fresh.*option.flag) return false;
        // A flag on from the start, with no -no- form, could never be turned off.
        if (option.kind == HackOptionKind::flag && option.byDefault) return false;
        break;
      case HackOptionKind::ignored: break;
    }
  }
  return true;
}
static_assert(defaultsAgree(), "hackOptionTable's defaults differ from HackOptions'");

// A window id in decimal or 0x hex; 0 is never a window.
bool parseWindowId(const char* text, unsigned long& id) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  // strtoul would also take signs and spaces.
  const unsigned char first = static_cast<unsigned char>(digits[0]);
  if (hex ? !std::isxdigit(first) : !std::isdigit(first)) return false;
  char* end = nullptr;
  errno = 0;
  // From the start, 0x included: base 16 takes one 0x of its own, so the digits after it would
  // let a second one through ("0x0x1").
  id = std::strtoul(text, &end, hex ? 16 : 10);
  return errno == 0 && *end == '\0' && id != 0;
}

// The row `name` (one dash) stands for, and whether it was the row's -no- form; null if none.
const HackOption* findOption(const char* name, bool& negated) {
  negated = false;
  for (const HackOption& option : hackOptionTable) {
    if (std::strcmp(name, option.name) == 0) return &option;
    if (option.kind == HackOptionKind::toggle && std::strncmp(name, "-no", 3) == 0 &&
        std::strcmp(name + 3, option.name) == 0) {
      negated = true;
      return &option;
    }
  }
  return nullptr;
}

// How an option reads in the usage: "-window-id ID", "-[no-]spin".
std::string spelling(const HackOption& option) {
  std::string text = option.name;
  if (option.kind == HackOptionKind::toggle) text = "-[no-]" + text.substr(1);
  if (option.value) text = text + " " + option.value;
  return text;
}

// The synopsis: the targets as one choice, then each flag; wrapped at 80 columns.
std::string synopsis() {
  const std::string program = "usage: wagglersaver";
  std::string synopsis = program, choice;
  std::size_t lineStart = 0;
  auto add = [&](const std::string& group) {
    if (synopsis.size() - lineStart + 1 + group.size() > 80) {
      synopsis += "\n";
      lineStart = synopsis.size();
      synopsis += std::string(program.size(), ' ');
    }
    synopsis += " " + group;
  };
  for (const HackOption& option : hackOptionTable)
    if (option.kind == HackOptionKind::target)
      choice += (choice.empty() ? "" : " | ") + spelling(option);
  add("[" + choice + "]");
  for (const HackOption& option : hackOptionTable) {
    const std::string name = option.name;
    if (option.kind == HackOptionKind::toggle) add("[" + name + " | -no" + name + "]");
    if (option.kind == HackOptionKind::flag) add("[" + name + "]");
  }
  return synopsis + "\n";
}

// A line for each option that does something, its help in a column after the widest; then
// those ignored, in one sentence.
std::string optionLines() {
  std::size_t width = 0;
  for (const HackOption& option : hackOptionTable)
    if (option.help) width = std::max(width, spelling(option).size());
  std::string lines;
  std::vector<std::string> ignored;
  for (const HackOption& option : hackOptionTable) {
    if (!option.help) {
      ignored.push_back(spelling(option));
      continue;
    }
    std::string line = "  " + spelling(option);
    line.resize(width + 4, ' ');
    line += option.help;
    if (option.kind == HackOptionKind::target && option.byDefault) line += " (the default)";
    if (option.kind == HackOptionKind::toggle)
      line += option.byDefault ? " (on by default)" : " (off by default)";
    lines += line + "\n";
  }
  if (!ignored.empty()) {
    std::string list = ignored.front();
    for (std::size_t i = 1; i < ignored.size(); ++i)
      list += (i + 1 == ignored.size() ? " and " : ", ") + ignored[i];
    lines += "  " + list + (ignored.size() > 1 ? " are" : " is") + " accepted and ignored.\n";
  }
  return lines;
}

}  // namespace

bool parseHackOptions(int argc, const char* const* argv, HackOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    // "--root" is "-root"; anything not starting with a dash is not an option.
    const char* name = std::strncmp(word, "--", 2) == 0 ? word + 1 : word;
    bool negated = false;
    const HackOption* option = findOption(name, negated);
    if (!option) {
      error = std::string("unknown option: ") + word;
      return false;
    }
    const char* value = nullptr;
    if (option->value) {
      if (i + 1 == argc) {
        const bool id = option->kind == HackOptionKind::target;  // a target takes a window ID
        error = std::string(option->name) + (id ? " needs an ID" : " needs a value");
        return false;
      }
      value = argv[++i];
    }
    switch (option->kind) {
      case HackOptionKind::target:
        if (value && !parseWindowId(value, options.windowId)) {
          error = std::string("bad window id: ") + value;
          return false;
        }
        options.target = option->target;
        break;
      case HackOptionKind::toggle:
      case HackOptionKind::flag: options.*option->flag = !negated; break;
      case HackOptionKind::ignored: break;
    }
  }
  return true;
}

std::string hackUsage() {
  return synopsis() + optionLines();
}
