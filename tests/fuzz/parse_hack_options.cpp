// Fuzzes parseHackOptions, the hack's command line: the input is the words after the program's
// name, each ended by a NUL byte. What it accepts must read back the same from the options'
// own spelling, and a window ID it takes must be one the usage promises (decimal or 0x hex).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "saver/linux/options.h"
#include "tests/fuzz/promise.h"

namespace {

bool allDigits(const std::string& text, std::size_t from, int base) {
  if (from >= text.size()) return false;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = (c >= '0' && c <= '9') ||
                       (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    if (!digit) return false;
  }
  return true;
}

// The usage's grammar for an ID, read independently of the parser: digits, or 0x and hex
// digits, not 0 and not past what unsigned long holds.
bool idByTheUsage(const std::string& text, unsigned long& id) {
  const bool hex = text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const int base = hex ? 16 : 10;
  const std::size_t from = hex ? 2 : 0;
  if (!allDigits(text, from, base)) return false;
  id = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned long digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    if (id > (static_cast<unsigned long>(-1) - digit) / base) return false;
    id = id * base + digit;
  }
  return id != 0;
}

bool parse(const std::vector<std::string>& words, HackOptions& options, std::string& error) {
  std::vector<const char*> argv = {"wagglersaver"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  return parseHackOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

// The options spelt out from the table, one word per choice.
std::vector<std::string> spelt(const HackOptions& options) {
  std::vector<std::string> words;
  for (const HackOption& option : hackOptionTable) {
    const std::string name = option.name;
    switch (option.kind) {
      case HackOptionKind::target:
        if (option.target != options.target) break;
        words.push_back(name);
        if (option.value) words.push_back(std::to_string(options.windowId));
        break;
      case HackOptionKind::toggle:
        words.push_back(options.*option.flag ? name : "-no" + name);
        break;
      case HackOptionKind::flag:
        if (options.*option.flag) words.push_back(name);
        break;
      case HackOptionKind::ignored: break;
    }
  }
  return words;
}

bool same(const HackOptions& a, const HackOptions& b) {
  return a.target == b.target && (a.target != HackTarget::windowId || a.windowId == b.windowId) &&
         a.digital == b.digital && a.roman == b.roman && a.spin == b.spin && a.fps == b.fps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\0')
      words.emplace_back();
    else
      words.back() += static_cast<char>(data[i]);
  }
  if (words.back().empty()) words.pop_back();

  HackOptions options;
  std::string error;
  const bool accepted = parse(words, options, error);
  promise(accepted == error.empty(), "an error is said exactly when the line is refused");
  if (accepted) {
    promise(options.target != HackTarget::windowId || options.windowId != 0,
            "a window target has a window ID");
    HackOptions again;
    promise(parse(spelt(options), again, error) && same(options, again),
            "accepted options read back the same from their own spelling");
  }

  // Each word as a window ID, the parser's answer against the usage's grammar.
  for (const std::string& word : words) {
    HackOptions withId;
    std::string idError;
    unsigned long expected = 0;
    const bool valid = idByTheUsage(word, expected);
    const bool taken = parse({"-window-id", word}, withId, idError);
    promise(taken == valid, "a window ID is taken exactly when it is decimal or 0x hex, not 0");
    promise(!taken || withId.windowId == expected, "a window ID reads as its digits say");
  }
  return 0;
}
