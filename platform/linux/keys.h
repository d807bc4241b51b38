// Keys: Windows' virtual-key codes for SDL's keys (GetKeyState is in keys.cpp too).
#pragma once

#include <SDL.h>

#include "platform/win32.h"

namespace platform {

// The code of a key as Windows gives it: by its character, else by its place on the keyboard;
// 0 for keys the layer does not translate.
UINT virtualKeyOf(SDL_Scancode scancode, SDL_Keycode key);

}  // namespace platform
