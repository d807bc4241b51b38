// The hack's command line as xscreensaver and users write it: each row a line and what it sets,
// or that it is refused; and the xscreensaver config file held to the options' table.
#include "saver/linux/options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Row {
  std::string line;
  // target (w own window, r root, i window id), window id, digital, roman, spin, fps
  char target;
  unsigned long windowId;
  bool digital, roman, spin, fps;
};

const Row rows[] = {
    {"", 'w', 0, false, false, true, false},
    {"-root", 'r', 0, false, false, true, false},
    {"--root", 'r', 0, false, false, true, false},
    {"-root -window", 'w', 0, false, false, true, false},
    {"-window-id 4194311", 'i', 4194311, false, false, true, false},
    {"--window-id 0x400007", 'i', 0x400007, false, false, true, false},
    {"-window-id 0X1aF", 'i', 0x1af, false, false, true, false},
    {"-digital -roman -no-spin -fps", 'w', 0, true, true, false, true},
    {"--digital --no-digital --roman --no-roman --spin", 'w', 0, false, false, true, false},
    {"-no-spin -spin", 'w', 0, false, false, true, false},
    {"-install -mono -visual default --visual 0x21 -root", 'r', 0, false, false, true, false},
};

// The last: strtoul takes a 0x of its own, which must not let a second one through.
const char* const refusedLines[] = {
    "-window-id",    "-window-id 0",   "-window-id -5", "-window-id 12abc",
    "-window-id 0x", "-window-id +12", "-visual",       "-frobnicate",
    "root",          "---root",        "-Root",         "-window-id 0X0xffffff",
};

// Splits `line` into words after the program's name and parses them.
bool parse(const std::string& line, HackOptions& options, std::string& error) {
  std::vector<std::string> words{"wagglersaver"};
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  return parseHackOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(HackOptions, EachLineSetsWhatItSays) {
  for (const Row& row : rows) {
    HackOptions options;
    std::string error;
    ASSERT_TRUE(parse(row.line, options, error)) << "\"" << row.line << "\": " << error;
    const char target = options.target == HackTarget::root       ? 'r'
                        : options.target == HackTarget::windowId ? 'i'
                                                                 : 'w';
    EXPECT_EQ(target, row.target) << row.line;
    if (row.target == 'i') {
      EXPECT_EQ(options.windowId, row.windowId) << row.line;
    }
    EXPECT_EQ(options.digital, row.digital) << row.line;
    EXPECT_EQ(options.roman, row.roman) << row.line;
    EXPECT_EQ(options.spin, row.spin) << row.line;
    EXPECT_EQ(options.fps, row.fps) << row.line;
  }
}

TEST(HackOptions, MalformedLinesAreRefusedSayingWhy) {
  for (const char* line : refusedLines) {
    HackOptions options;
    std::string error;
    EXPECT_FALSE(parse(line, options, error)) << "\"" << line << "\" was taken";
    EXPECT_FALSE(error.empty()) << "\"" << line << "\" refused without saying why";
  }
}

// Every arg, arg-set and arg-unset in the config file is an option the hack takes, and every
// option a user can turn on or off has its check box there, moving it away from its default
// (a box that only set the default would do nothing).
TEST(HackOptions, ConfigFileAgreesWithTheTable) {
  std::ifstream in(WAGGLER_HACK_CONFIG);
  ASSERT_TRUE(in) << "cannot read " << WAGGLER_HACK_CONFIG;
  const std::string xml((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::pair<std::string, std::string>> args;  // attribute, value
  for (const char* name : {"arg", "arg-set", "arg-unset"}) {
    const std::string opening = std::string(" ") + name + "=\"";
    for (auto at = xml.find(opening); at != std::string::npos; at = xml.find(opening, at + 1)) {
      const auto start = at + opening.size();
      args.emplace_back(name, xml.substr(start, xml.find('"', start) - start));
    }
  }
  ASSERT_FALSE(args.empty()) << "no options in " << WAGGLER_HACK_CONFIG;

  for (const auto& [name, value] : args) {
    HackOptions options;
    std::string error;
    EXPECT_TRUE(parse(value, options, error)) << name << "=\"" << value << "\": " << error;
  }
  for (const HackOption& option : hackOptionTable) {
    if (option.kind != HackOptionKind::toggle && option.kind != HackOptionKind::flag) continue;
    const std::string wanted = option.byDefault ? std::string("-no") + option.name : option.name;
    const char* const how = option.byDefault ? "arg-unset" : "arg-set";
    bool found = false;
    for (const auto& [name, value] : args)
      found |= name == how && (value == wanted || value == "-" + wanted);
    EXPECT_TRUE(found) << "no " << how << "=\"-" << wanted << "\" in " << WAGGLER_HACK_CONFIG;
  }
}

}  // namespace
