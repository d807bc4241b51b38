// Identifiers shared by the screensaver's resource script and its code.
#pragma once

// Windows' own screensaver conventions: the icon the panel shows and the settings dialog.
#define IDI_SAVER 100
#define IDD_SETTINGS 2003
#define IDC_DIGITAL_TIME 1001
#define IDC_ROMAN_NUMERALS 1002
#define IDC_SLOW_TURN 1003
