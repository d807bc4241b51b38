// Bitmap resources compiled into the program, loaded by LoadImageA as device-independent
// sections (bitmap objects, which gdi_objects.cpp makes and deletes).
#include "platform/linux/resources.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/linux/gdi_objects.h"

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

  std::vector<unsigned char> bits(stride * height);
  const unsigned char* rows = data + offset;
  for (std::size_t row = 0; row < height; ++row) {
    const std::size_t from = topDown ? height - 1 - row : row;
    std::memcpy(&bits[row * stride], rows + from * stride, stride);
  }
  return platform::newBitmap(width, static_cast<int>(height), std::move(bits));
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
