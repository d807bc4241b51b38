// The hack's command line as xscreensaver hands it over: where to draw, and the scene's options.
// One table holds every option; the parsing and the usage text both follow from it.
#pragma once

#include <string>

enum class HackTarget { ownWindow, root, windowId };

struct HackOptions {
  HackTarget target = HackTarget::ownWindow;
  unsigned long windowId = 0;
  bool digital = false;
  bool roman = false;
  bool spin = true;  // a screensaver must not hold a still picture
  bool fps = false;
};

enum class HackOptionKind {
  target,   // where to draw; one that takes a value takes the window ID
  toggle,   // turns a flag on, and its -no- form turns it off
  flag,     // turns a flag on, with no -no- form
  ignored,  // xscreensaver's business: accepted, with its value if it takes one, and dropped
};

struct HackOption {
  const char* name;  // with one dash; two are taken too
  HackOptionKind kind;
  const char* value;        // the value it takes, as the usage names it; null for none
  HackTarget target;        // what a target sets
  bool HackOptions::*flag;  // what a toggle or flag sets
  bool byDefault;           // the default target; the flag's value when not given
  const char* help;         // null for an ignored option
};

namespace hackoption {
constexpr HackOption target(const char* name, HackTarget target, bool byDefault, const char* help) {
  return {name, HackOptionKind::target, nullptr, target, nullptr, byDefault, help};
}
constexpr HackOption windowId(const char* name, const char* value, const char* help) {
  return {name, HackOptionKind::target, value, HackTarget::windowId, nullptr, false, help};
}
constexpr HackOption toggle(const char* name, bool HackOptions::*flag, bool byDefault,
                            const char* help) {
  return {name, HackOptionKind::toggle, nullptr, HackTarget::ownWindow, flag, byDefault, help};
}
constexpr HackOption flag(const char* name, bool HackOptions::*flag, const char* help) {
  return {name, HackOptionKind::flag, nullptr, HackTarget::ownWindow, flag, false, help};
}
constexpr HackOption ignored(const char* name, const char* value = nullptr) {
  return {name, HackOptionKind::ignored, value, HackTarget::ownWindow, nullptr, false, nullptr};
}
}  // namespace hackoption

// Every option the hack takes, in the order the usage lists them. The defaults are HackOptions'
// own, which options.cpp holds them to when it is compiled.
inline constexpr HackOption hackOptionTable[] = {
    hackoption::target("-window", HackTarget::ownWindow, true, "a window of its own"),
    hackoption::target("-root", HackTarget::root, false,
                       "the window in $XSCREENSAVER_WINDOW, else the root window"),
    hackoption::windowId("-window-id", "ID", "the window ID, decimal or 0x hex"),
    hackoption::toggle("-digital", &HackOptions::digital, false, "the digital time above the dial"),
    hackoption::toggle("-roman", &HackOptions::roman, false, "Roman numerals"),
    hackoption::toggle("-spin", &HackOptions::spin, true, "the scene turning slowly"),
    hackoption::flag("-fps", &HackOptions::fps, "the frame rate in the bottom-left corner"),
    // Colormaps and monochrome screens are xscreensaver's business, and the window's own visual
    // is the one drawn with.
    hackoption::ignored("-install"),
    hackoption::ignored("-visual", "V"),
    hackoption::ignored("-mono"),
};

// Reads argv[1..argc-1]; false with `error` saying which word was not understood.
bool parseHackOptions(int argc, const char* const* argv, HackOptions& options, std::string& error);

// The synopsis and a line for each option, written from the table.
std::string hackUsage();
