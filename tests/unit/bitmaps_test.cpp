// The committed pictures are what the generator draws, and the drawing follows the geometry.
#include "tools/bitmaps.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {
std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
unsigned read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<unsigned>(b[at + 3]) << 24);
}
bool isWall(Rgb c) {
  return c.r == 255 && (c.g == 146 || c.g == 109) && c.b == 0;
}
const Rgb yellow = {255, 255, 0};
}  // namespace

TEST(Pictures, CommittedFilesMatchTheGeneratorByteForByte) {
  // Compared whole, not element by element: a mismatch would print 200 KB of bytes.
  EXPECT_TRUE(readFile(WAGGLER_SOURCE_DIR "/resources/stripes.bmp") ==
              encodeBitmapFile(drawStripes()))
      << "resources/stripes.bmp differs from what tools/make_bitmaps draws; regenerate it";
  EXPECT_TRUE(readFile(WAGGLER_SOURCE_DIR "/resources/honeycomb.bmp") ==
              encodeBitmapFile(drawHoneycomb()))
      << "resources/honeycomb.bmp differs from what tools/make_bitmaps draws; regenerate it";
}

TEST(Pictures, HeadersAre24BitBottomUpUncompressed) {
  const struct {
    std::vector<std::uint8_t> file;
    unsigned size, imageBytes;
  } pictures[] = {{encodeBitmapFile(drawStripes()), 128, 49152},
                  {encodeBitmapFile(drawHoneycomb()), 256, 196608}};
  for (const auto& p : pictures) {
    ASSERT_EQ(p.file.size(), 54u + p.imageBytes);
    EXPECT_EQ(std::string(p.file.begin(), p.file.begin() + 2), "BM");
    EXPECT_EQ(read32(p.file, 10), 54u);
    EXPECT_EQ(read32(p.file, 14), 40u);
    EXPECT_EQ(read32(p.file, 18), p.size);
    EXPECT_EQ(read32(p.file, 22), p.size) << "positive height: bottom-up rows";
    EXPECT_EQ(p.file[26] | (p.file[27] << 8), 1);
    EXPECT_EQ(p.file[28] | (p.file[29] << 8), 24);
    EXPECT_EQ(read32(p.file, 30), 0u) << "uncompressed";
    EXPECT_EQ(read32(p.file, 34), p.imageBytes);
    for (std::size_t at = 38; at < 54; at += 4) EXPECT_EQ(read32(p.file, at), 0u);
  }
}

TEST(Pictures, StripesHaveFiveBlackBandsOfNineRows) {
  const Picture stripes = drawStripes();
  int blackRows = 0;
  for (int y = 0; y < 128; ++y) {
    const Rgb first = stripes.at(0, y);
    for (int x = 1; x < 128; ++x) ASSERT_EQ(stripes.at(x, y), first) << "row " << y;
    const bool black = first.r == 0 && first.g == 0 && first.b == 0;
    ASSERT_TRUE(black || first == yellow) << "row " << y << " is neither black nor yellow";
    blackRows += black;
    const bool expectedBlack = (y >= 16 && y <= 24) || (y >= 40 && y <= 48) ||
                               (y >= 64 && y <= 72) || (y >= 88 && y <= 96) ||
                               (y >= 111 && y <= 119);
    EXPECT_EQ(black, expectedBlack) << "row " << y << " from the top";
  }
  EXPECT_EQ(blackRows, 45);
}

TEST(Pictures, HoneycombWallsLieOnTheirCentreLines) {
  const Picture honeycomb = drawHoneycomb();
  // Horizontal walls: 8 rows deep around y = 4, 68, 132, 196.
  for (int x = 50; x <= 110; x += 10)
    for (int y : {0, 7, 128, 135}) EXPECT_TRUE(isWall(honeycomb.at(x, y))) << x << "," << y;
  for (int x = 175; x <= 240; x += 10)
    for (int y : {64, 71, 192, 199}) EXPECT_TRUE(isWall(honeycomb.at(x, y))) << x << "," << y;
  for (int x = 50; x <= 110; x += 10) EXPECT_TRUE(honeycomb.at(x, 9) == yellow) << x;
  // Cell centres are yellow.
  for (int y : {68, 196}) EXPECT_TRUE(honeycomb.at(78, y) == yellow);
  EXPECT_TRUE(honeycomb.at(207, 132) == yellow);
  // Slanted walls: the midpoint of (120,4)-(163,68) and the corner at x = -5 seen at 251.
  EXPECT_TRUE(isWall(honeycomb.at(141, 36)));
  EXPECT_TRUE(isWall(honeycomb.at(251, 68)));
  EXPECT_TRUE(isWall(honeycomb.at(15, 36)));
}

TEST(Pictures, HoneycombDotsAndTilesSeamlessly) {
  const Picture honeycomb = drawHoneycomb();
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const Rgb c = honeycomb.at(x, y);
      if (!isWall(c)) continue;
      EXPECT_EQ(c.g == 109, x % 2 == 0 && y % 2 == 0) << "dot pattern at " << x << "," << y;
    }
  // Walls leaving one edge re-enter at the opposite edge: each short run of wall pixels
  // along an edge (a wall crossing it) meets wall pixels across the seam. Long runs are
  // walls lying along the edge, which cross nothing.
  auto wallAt = [&](int x, int y) {
    return isWall(honeycomb.at((x + 256) % 256, (y + 256) % 256));
  };
  int mismatches = 0;
  for (int edge = 0; edge < 4; ++edge) {
    // Pixel i along the edge (left, right, top, bottom), and pixel j across the seam from it.
    const int side = edge % 2 ? 255 : 0, beyond = edge % 2 ? 256 : -1;
    auto onEdge = [&](int i) { return edge < 2 ? wallAt(side, i) : wallAt(i, side); };
    auto across = [&](int j) { return edge < 2 ? wallAt(beyond, j) : wallAt(j, beyond); };
    for (int i = 0; i < 256;) {
      if (!onEdge(i)) {
        ++i;
        continue;
      }
      int end = i;
      while (end + 1 < 256 && onEdge(end + 1)) ++end;
      if (end - i < 40) {
        bool met = false;
        for (int j = i - 3; j <= end + 3; ++j) met = met || across(j);
        if (!met) ++mismatches;
      }
      i = end + 1;
    }
  }
  EXPECT_EQ(mismatches, 0);
}
