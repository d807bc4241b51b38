// Reading and writing the screensaver's choices in the current user's registry.
#include "saver/windows/settings.h"

#include <windows.h>

namespace {
const char* const settingsKey = "Software\\Waggler\\Screensaver";
const char* const digitalTimeValue = "ShowDigitalTime";
const char* const romanNumeralsValue = "RomanNumerals";
const char* const slowTurnValue = "SlowTurn";

// A DWORD value as a choice; anything else (absent, another type) leaves `choice` as it is.
void readChoice(HKEY key, const char* name, bool& choice) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof value)
    choice = value != 0;
}

bool writeChoice(HKEY key, const char* name, bool choice) {
  const DWORD value = choice ? 1 : 0;
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}
}  // namespace

SaverSettings loadSaverSettings() {
  SaverSettings settings;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return settings;
  readChoice(key, digitalTimeValue, settings.showDigitalTime);
  readChoice(key, romanNumeralsValue, settings.romanNumerals);
  readChoice(key, slowTurnValue, settings.slowTurn);
  RegCloseKey(key);
  return settings;
}

bool storeSaverSettings(const SaverSettings& settings) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool written = writeChoice(key, digitalTimeValue, settings.showDigitalTime) &&
                       writeChoice(key, romanNumeralsValue, settings.romanNumerals) &&
                       writeChoice(key, slowTurnValue, settings.slowTurn);
  RegCloseKey(key);
  return written;
}
