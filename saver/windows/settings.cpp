// Reading and writing the screensaver's choices in the current user's registry.
#include "saver/windows/settings.h"

#include <windows.h>

#include "saver/stored_choice.h"

static_assert(registryDword == REG_DWORD, "stored_choice.h names another type REG_DWORD");

namespace {
const char* const settingsKey = "Software\\Waggler\\Screensaver";
const char* const digitalTimeValue = "ShowDigitalTime";
const char* const romanNumeralsValue = "RomanNumerals";
const char* const slowTurnValue = "SlowTurn";

// A stored value as a choice; anything else (absent, another type) leaves `choice` as it is. A
// value longer than a DWORD does not fit the buffer (ERROR_MORE_DATA) and is no choice either.
void readChoice(HKEY key, const char* name, bool& choice) {
  BYTE bytes[sizeof(DWORD)] = {};
  DWORD type = 0, size = sizeof bytes;
  if (RegQueryValueExA(key, name, nullptr, &type, bytes, &size) == ERROR_SUCCESS)
    readStoredChoice(type, bytes, size, choice);
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
