// The screensaver's choices, kept per user in the registry under
// HKEY_CURRENT_USER\Software\Waggler\Screensaver as DWORD values.
#pragma once

struct SaverSettings {
  bool showDigitalTime = false;
  bool romanNumerals = false;
  bool slowTurn = true;  // a screensaver must not hold a still picture
};

// The stored choices; each one absent or unreadable keeps its default.
SaverSettings loadSaverSettings();
// False when the key cannot be written.
bool storeSaverSettings(const SaverSettings& settings);
