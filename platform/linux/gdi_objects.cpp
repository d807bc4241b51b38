// GDI objects: fonts (CreateFontA, the stock system font) and bitmaps (for LoadImageA) are made
// here, selected into device contexts, described by GetObjectA and deleted by DeleteObject.
#include "platform/linux/gdi_objects.h"

#include <algorithm>

#include "platform/linux/window.h"

namespace {

// Every GDI object not yet deleted. Windows keeps them in the process's handle table until the
// process ends, so a font made once at set-up and never deleted is no leak; neither is it here.
std::vector<HGDIOBJ>& liveGdiObjects() {
  static auto* objects = new std::vector<HGDIOBJ>();  // never destroyed, as the table is not
  return *objects;
}

HGDIOBJ newObject(HGDIOBJ__::Kind kind) {
  auto* object = new HGDIOBJ__();
  liveGdiObjects().push_back(object);
  object->kind = kind;
  return object;
}

// A fresh device context has the system font selected, as on Windows.
HGDIOBJ__& stockSystemFont() {
  static HGDIOBJ__ font = [] {
    HGDIOBJ__ f;
    f.kind = HGDIOBJ__::Kind::font;
    // About 16 pixels from ascender to descender, like the Windows system font.
    f.fontHeight = 16;
    f.fontWeight = 400;
    f.stockFont = true;
    return f;
  }();
  return font;
}

}  // namespace

namespace platform {

HGDIOBJ newBitmap(int width, int height, std::vector<unsigned char> bits) {
  HGDIOBJ bitmap = newObject(HGDIOBJ__::Kind::bitmap);
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bits = std::move(bits);
  return bitmap;
}

const HGDIOBJ__* selectedFont(HDC dc) {
  const HGDIOBJ__* font = dc->font ? dc->font : &stockSystemFont();
  return font->kind == HGDIOBJ__::Kind::font ? font : nullptr;
}

int systemFontHeight() {
  return stockSystemFont().fontHeight;
}

}  // namespace platform

HGDIOBJ GetStockObject(int which) {
  return which == SYSTEM_FONT ? &stockSystemFont() : nullptr;
}

HFONT CreateFontA(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight,
                  DWORD italic, DWORD /*underline*/, DWORD /*strikeOut*/, DWORD /*charSet*/,
                  DWORD /*outputPrecision*/, DWORD /*clipPrecision*/, DWORD /*quality*/,
                  DWORD /*pitchAndFamily*/, LPCSTR faceName) {
  // Only scalable faces are mapped, so a TrueType preference is always met when possible.
  HFONT font = newObject(HGDIOBJ__::Kind::font);
  font->fontHeight = height;
  font->fontWeight = weight;
  font->fontItalic = italic != 0;
  font->fontFace = faceName ? faceName : "";
  return font;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object || object->kind != HGDIOBJ__::Kind::font) return nullptr;
  HGDIOBJ previous = dc->font ? dc->font : &stockSystemFont();
  dc->font = object;
  return previous;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  if (!object || object->kind != HGDIOBJ__::Kind::bitmap) return 0;
  if (!buffer) return sizeof(BITMAP);
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP* info = static_cast<BITMAP*>(buffer);
  info->bmType = 0;
  info->bmWidth = object->width;
  info->bmHeight = object->height;
  info->bmWidthBytes = static_cast<LONG>((object->width * 3 + 3) & ~3);
  info->bmPlanes = 1;
  info->bmBitsPixel = 24;
  info->bmBits = object->bits.data();
  return sizeof(BITMAP);
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  // Stock objects belong to the system; deleting one is allowed and does nothing.
  if (object->kind == HGDIOBJ__::Kind::font && object->stockFont) return TRUE;
  std::vector<HGDIOBJ>& live = liveGdiObjects();
  live.erase(std::remove(live.begin(), live.end(), object), live.end());
  delete object;
  return TRUE;
}
