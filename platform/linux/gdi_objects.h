// GDI objects, fonts and bitmaps alike: the record behind HGDIOBJ and the calls the other
// topics make on it (gdi_objects.cpp, where every one is made and deleted).
#pragma once

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

namespace platform {

// A new bitmap object of width by height pixels with rows of bits as HGDIOBJ__ keeps them.
HGDIOBJ newBitmap(int width, int height, std::vector<unsigned char> bits);
// The font selected into a device context (the stock system font until one is), or null when
// the selected object is no font.
const HGDIOBJ__* selectedFont(HDC dc);
// The stock system font's height in pixels, which a font of height 0 takes.
int systemFontHeight();

}  // namespace platform
