// The settings dialog: three check boxes for the stored choices, OK and Cancel. The dialog
// manager gives it Tab, Space and Return as in any Windows dialog.
#include "saver/windows/settings_dialog.h"

#include "saver/windows/resource_ids.h"
#include "saver/windows/settings.h"

namespace {
void showChoice(HWND dialog, int control, bool choice) {
  CheckDlgButton(dialog, control, choice ? BST_CHECKED : BST_UNCHECKED);
}

bool readChoice(HWND dialog, int control) {
  return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
}

INT_PTR CALLBACK settingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const SaverSettings settings = loadSaverSettings();
      showChoice(dialog, IDC_DIGITAL_TIME, settings.showDigitalTime);
      showChoice(dialog, IDC_ROMAN_NUMERALS, settings.romanNumerals);
      showChoice(dialog, IDC_SLOW_TURN, settings.slowTurn);
      return TRUE;  // focus on the first check box
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          SaverSettings settings;
          settings.showDigitalTime = readChoice(dialog, IDC_DIGITAL_TIME);
          settings.romanNumerals = readChoice(dialog, IDC_ROMAN_NUMERALS);
          settings.slowTurn = readChoice(dialog, IDC_SLOW_TURN);
          if (!storeSaverSettings(settings))
            MessageBoxA(dialog, "The settings could not be stored.", "Waggler",
                        MB_OK | MB_ICONWARNING);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      break;
  }
  return FALSE;
}
}  // namespace

void runSettingsDialog(HINSTANCE instance, HWND owner) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, settingsProc, 0);
}
