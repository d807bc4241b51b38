// Bitmap resources: found by number, loaded as bottom-up 24-bit sections, described by
// GetObjectA, freed by DeleteObject. The table here replaces the program's pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/linux/resources.h"
#include "tests/unit/platform_support.h"

namespace {

// A BITMAPINFOHEADER for a 24-bit uncompressed picture.
#define INFO_HEADER(width, height, bits)                                                         \
  40, 0, 0, 0, (width)&0xFF, 0, 0, 0, (height)&0xFF, ((height) >> 8) & 0xFF,                     \
      ((height) >> 16) & 0xFF, ((height) >> 24) & 0xFF, 1, 0, (bits), 0, 0, 0, 0, 0, 0, 0, 0, 0, \
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0

// 2 by 2, bottom-up: each row has 6 bytes of pixels and 2 of padding.
// clang-format off
const unsigned char bottomUp[] = {INFO_HEADER(2, 2, 24), 1, 2, 3, 4, 5, 6, 0, 0,  // bottom row
                                  7, 8, 9, 10, 11, 12, 0, 0};
// clang-format on
// 1 by 2, top-down (negative height): must come out bottom-up.
const unsigned char topDown[] = {INFO_HEADER(1, -2, 24), 20, 21, 22, 0, 30, 31, 32, 0};
const unsigned char cutShort[] = {INFO_HEADER(2, 2, 24), 1, 2, 3, 4, 5, 6, 0, 0};
const unsigned char thirtyTwoBit[] = {INFO_HEADER(1, 1, 32), 1, 2, 3, 4};

}  // namespace

const EmbeddedBitmap embeddedBitmaps[] = {
    {103, bottomUp, sizeof(bottomUp)},
    {104, topDown, sizeof(topDown)},
    {105, cutShort, sizeof(cutShort)},
    {106, thirtyTwoBit, sizeof(thirtyTwoBit)},
    {0, nullptr, 0},
};

namespace {

HANDLE load(int id) {
  return LoadImageA(nullptr, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
}

TEST(PlatformResources, ABitmapIsLoadedAndDescribedAsWindowsDoes) {
  HANDLE image = load(103);
  ASSERT_NE(image, nullptr);
  BITMAP bitmap = {};
  EXPECT_EQ(GetObjectA(static_cast<HGDIOBJ>(image), sizeof(BITMAP), &bitmap),
            static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bitmap.bmType, 0);
  EXPECT_EQ(bitmap.bmWidth, 2);
  EXPECT_EQ(bitmap.bmHeight, 2);
  EXPECT_EQ(bitmap.bmWidthBytes, 8);
  EXPECT_EQ(bitmap.bmPlanes, 1);
  EXPECT_EQ(bitmap.bmBitsPixel, 24);
  ASSERT_NE(bitmap.bmBits, nullptr);
  EXPECT_EQ(std::memcmp(bitmap.bmBits, bottomUp + 40, 16), 0);
  EXPECT_NE(bitmap.bmBits, static_cast<const void*>(bottomUp + 40)) << "must be a copy";
  EXPECT_TRUE(DeleteObject(static_cast<HGDIOBJ>(image)));
}

TEST(PlatformResources, TopDownRowsAreTurnedBottomUp) {
  HANDLE image = load(104);
  ASSERT_NE(image, nullptr);
  BITMAP bitmap = {};
  GetObjectA(static_cast<HGDIOBJ>(image), sizeof(BITMAP), &bitmap);
  EXPECT_EQ(bitmap.bmHeight, 2);
  const unsigned char expected[] = {30, 31, 32, 0, 20, 21, 22, 0};
  EXPECT_EQ(std::memcmp(bitmap.bmBits, expected, sizeof(expected)), 0);
  DeleteObject(static_cast<HGDIOBJ>(image));
}

TEST(PlatformResources, MissingOrUnusableResourcesGiveNothing) {
  EXPECT_EQ(load(107), nullptr);
  EXPECT_EQ(load(105), nullptr) << "rows cut short";
  EXPECT_EQ(load(106), nullptr) << "only 24-bit pictures are taken";
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(103), 1, 0, 0, 0), nullptr) << "not a bitmap";
  EXPECT_EQ(LoadImageA(nullptr, "stripes", IMAGE_BITMAP, 0, 0, 0), nullptr);
}

TEST(PlatformResources, GetObjectTellsTheSizeAndRefusesSmallBuffers) {
  HGDIOBJ image = static_cast<HGDIOBJ>(load(103));
  EXPECT_EQ(GetObjectA(image, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  BITMAP bitmap = {};
  EXPECT_EQ(GetObjectA(image, sizeof(BITMAP) - 1, &bitmap), 0);
  EXPECT_EQ(GetObjectA(nullptr, sizeof(BITMAP), &bitmap), 0);
  DeleteObject(image);
}

TEST(PlatformResources, DeleteObjectTakesBitmapsAndFontsButNotNull) {
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_TRUE(DeleteObject(CreateFontA(12, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, nullptr)));
  HGDIOBJ stock = GetStockObject(SYSTEM_FONT);
  EXPECT_TRUE(DeleteObject(stock));
  EXPECT_EQ(GetStockObject(SYSTEM_FONT), stock) << "a stock object is kept, not freed";
}

}  // namespace
