// The hack's command line as xscreensaver hands it over: where to draw, and the scene's options.
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

// Reads argv[1..argc-1]; false with `error` saying which word was not understood.
bool parseHackOptions(int argc, const char* const* argv, HackOptions& options, std::string& error);

extern const char* const hackUsage;
