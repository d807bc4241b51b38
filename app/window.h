// The main window: class registration, creation, and the one window procedure.
#pragma once

#include "platform/win32.h"

void registerWindowClass();
bool createMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
