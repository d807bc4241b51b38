// Reading the screensaver's command line; see arguments.h for what it accepts.
#include "saver/arguments.h"

#include <cctype>
#include <limits>

const char* const screensaverUsage =
    "Waggler screensaver: /s shows it, /p HWND previews it in that window, /c or no argument "
    "opens its settings.";

namespace {
bool isSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

const char* skipSpaces(const char* p) {
  while (isSpace(*p)) ++p;
  return p;
}

SaverMode modeOf(char letter) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 's': return SaverMode::kRun;
    case 'p': return SaverMode::kPreview;
    case 'c': return SaverMode::kSettings;
    case 'a': return SaverMode::kPassword;
  }
  return SaverMode::kInvalid;
}
}  // namespace

SaverCommand parseSaverArguments(const char* commandLine) {
  SaverCommand command;
  const char* p = skipSpaces(commandLine ? commandLine : "");
  // Opened from Explorer's Configure, or a double-click: the settings.
  if (*p == '\0') {
    command.mode = SaverMode::kSettings;
    return command;
  }
  if (*p != '/' && *p != '-') return command;
  const SaverMode mode = modeOf(p[1]);
  if (mode == SaverMode::kInvalid) return command;
  p += 2;

  const char* handle = *p == ':' ? p + 1 : skipSpaces(p);
  if (isDigit(*handle)) {
    std::uint64_t value = 0;
    const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    for (; isDigit(*handle); ++handle) {
      const unsigned digit = static_cast<unsigned>(*handle - '0');
      if (value > (limit - digit) / 10) return command;  // no handle is that long
      value = value * 10 + digit;
    }
    command.hasWindow = true;
    command.window = value;
    p = handle;
  } else if (*p == ':') {
    return command;  // a colon promises a handle
  }
  const bool extraText = *skipSpaces(p) != '\0';
  const bool handleMissing = mode == SaverMode::kPreview && !command.hasWindow;
  const bool handleUnwanted = mode == SaverMode::kRun && command.hasWindow;
  if (extraText || handleMissing || handleUnwanted) return SaverCommand();
  command.mode = mode;
  return command;
}
