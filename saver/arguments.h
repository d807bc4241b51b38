// The screensaver's command line as Windows writes it (/s, /p HWND, /c[:HWND], /a HWND), read
// into what to do and for which window. Portable: no Windows header, so it is tested natively.
#pragma once

#include <cstdint>

enum class SaverMode {
  kRun,       // /s: full screen until the user comes back
  kPreview,   // /p HWND: inside the settings panel's little window
  kSettings,  // /c, /c:HWND or nothing: the settings dialog
  kPassword,  // /a HWND: old Windows' password change, which we leave alone
  kInvalid,   // anything else: say what we take
};

struct SaverCommand {
  SaverMode mode = SaverMode::kInvalid;
  bool hasWindow = false;
  std::uint64_t window = 0;  // the handle, as written in decimal
};

// Reads the command line after the program's name: `-` or `/`, one letter in any case, then the
// handle after a space, a colon or nothing. /p needs a handle, /s takes none.
SaverCommand parseSaverArguments(const char* commandLine);

// What the message box says when the command line is not one of ours.
extern const char* const screensaverUsage;
