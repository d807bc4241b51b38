// What the stand-in's handles point to. Shared by the platform files only; the program
// sees nothing but the opaque handle types of platform/win32.h.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/win32.h"

// A GDI object: a loaded bitmap or a font description.
struct HGDIOBJ__ {
  enum class Kind { bitmap, font } kind;
  // Bitmap: a device-independent section, bottom-up BGR rows aligned to 4 bytes.
  int width = 0, height = 0;
  std::vector<unsigned char> bits;
  // Font: the attributes the font mapper matches (a stock font is a font with a size).
  int fontHeight = 0;
  int fontWeight = 0;
  bool fontItalic = false;
  bool stockFont = false;
  std::string fontFace;
};

// Every GDI object not yet deleted. Windows keeps them in the process's handle table until the
// process ends, so a font made once at set-up and never deleted is no leak; neither is it here.
inline std::vector<HGDIOBJ>& liveGdiObjects() {
  static auto* objects = new std::vector<HGDIOBJ>();  // never destroyed, as the table is not
  return *objects;
}

// A device context: of one window, or of the screen (GetDC(nullptr)).
struct HDC__ {
  HWND window = nullptr;
  HGDIOBJ font = nullptr;  // the selected font; null means the stock system font
};
