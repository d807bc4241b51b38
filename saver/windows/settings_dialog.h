// The settings dialog that /c and the panel's Settings button open.
#pragma once

#include <windows.h>

// Shows the dialog owned by `owner` (may be null) and stores the choices on OK.
void runSettingsDialog(HINSTANCE instance, HWND owner);
