// Keys: the table from SDL's key codes to Windows' virtual keys, and GetKeyState over it.
#include "platform/linux/keys.h"

#include <algorithm>
#include <iterator>

namespace {

// Windows' virtual-key code for an SDL key, or 0 for keys the layer does not translate.
UINT virtualKeyFromSdl(SDL_Keycode key) {
  // SDL key codes of letters and digits are the unshifted characters, whatever Shift or
  // Caps Lock say, which is just what a virtual key is.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<UINT>(key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<UINT>(key - SDLK_0);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + static_cast<UINT>(key - SDLK_F1);
  switch (key) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_SPACE: return 0x20;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
  }
  return 0;
}

}  // namespace

namespace platform {

UINT virtualKeyOf(SDL_Scancode scancode, SDL_Keycode key) {
  if (const UINT translated = virtualKeyFromSdl(key)) return translated;
  // A key whose character has no code of its own is named by its place, as Windows does: the
  // letter keys of layouts whose letters are not Latin (Cyrillic, Greek...) keep their Latin
  // codes, and the top row keeps its digits where a layout puts other characters there.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return 'A' + static_cast<UINT>(scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return '1' + static_cast<UINT>(scancode - SDL_SCANCODE_1);
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

}  // namespace platform

SHORT GetKeyState(int virtualKey) {
  // Any physical key whose translation is the asked-for code counts, so VK_SHIFT is
  // either Shift key, as on Windows.
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  for (int scancode = 0; scancode < count; ++scancode) {
    if (!state[scancode]) continue;
    const SDL_Scancode code = static_cast<SDL_Scancode>(scancode);
    if (platform::virtualKeyOf(code, SDL_GetKeyFromScancode(code)) == static_cast<UINT>(virtualKey))
      return static_cast<SHORT>(0x8000);
  }
  return 0;
}
