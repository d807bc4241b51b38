// Bitmap resources compiled into the program, loaded as device-independent sections, and
// the GDI object calls that act on them (and on fonts).
#include "platform/resources.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/internal.h"

namespace {

const std::size_t infoHeaderSize = 40;
const std::uint32_t uncompressed = 0;  // BI_RGB

std::uint32_t readU32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint16_t readU16(const unsigned char* at) {
  return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

const EmbeddedBitmap* findBitmap(int id) {
  for (const EmbeddedBitmap* entry = embeddedBitmaps; entry->id != 0; ++entry)
    if (entry->id == id) return entry;
  return nullptr;
}

// A 24-bit uncompressed DIB (header and rows) as a bitmap object with bottom-up rows;
// null when the data is not one, or is cut short.
HGDIOBJ bitmapFromDib(const unsigned char* data, std::size_t size) {
  if (size < infoHeaderSize || readU32(data) < infoHeaderSize) return nullptr;
  const std::int32_t width = static_cast<std::int32_t>(readU32(data + 4));
  const std::int32_t signedHeight = static_cast<std::int32_t>(readU32(data + 8));
  const std::uint16_t bitCount = readU16(data + 14);
  const std::uint32_t compression = readU32(data + 16);
  const std::uint32_t paletteEntries = readU32(data + 32);
  if (width <= 0 || signedHeight == 0 || bitCount != 24 || compression != uncompressed)
    return nullptr;
  const bool topDown = signedHeight < 0;
  const std::size_t height = topDown ? -static_cast<std::int64_t>(signedHeight) : signedHeight;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t offset = readU32(data) + static_cast<std::size_t>(paletteEntries) * 4;
  if (offset > size || (size - offset) / stride < height) return nullptr;

  HGDIOBJ bitmap = new HGDIOBJ__();
  liveGdiObjects().push_back(bitmap);
  bitmap->kind = HGDIOBJ__::Kind::bitmap;
  bitmap->width = width;
  bitmap->height = static_cast<int>(height);
  bitmap->bits.resize(stride * height);
  const unsigned char* rows = data + offset;
  for (std::size_t row = 0; row < height; ++row) {
    const std::size_t from = topDown ? height - 1 - row : row;
    std::memcpy(&bitmap->bits[row * stride], rows + from * stride, stride);
  }
  return bitmap;
}

}  // namespace

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int, int, UINT) {
  // Resources are found by number only; the clock names none by string.
  const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
  if (type != IMAGE_BITMAP || id == 0 || id > 0xFFFF) return nullptr;
  const EmbeddedBitmap* entry = findBitmap(static_cast<int>(id));
  if (!entry) return nullptr;
  return bitmapFromDib(entry->data, entry->size);
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
