// Bitmap resources compiled into the Linux program: header and pixel rows, by identifier.
#pragma once

#include <cstddef>

struct EmbeddedBitmap {
  int id;  // 0 ends the table
  const unsigned char* data;
  std::size_t size;
};

extern const EmbeddedBitmap embeddedBitmaps[];
