// The built-in font's picture: the exact bitmap, checked whole and by some
// glyphs drawn out.
#include "gfx2d/font_images.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "gfx2d/image_buffer.h"

namespace {

// Cell pixel (x, y) of character c: '#' lit (255, 255, 255, 255), 'o'
// outline (8, 8, 8, 255), '.' transparent (0, 0, 0, 0).
char CellPixel(const ImageBuffer& image, int c, int x, int y) {
  const uint8_t* p = image.pixels + ((8 * (c / 16) + y) * image.width + 8 * (c % 16) + x) * 4;
  if (std::memcmp(p, "\xFF\xFF\xFF\xFF", 4) == 0) return '#';
  if (std::memcmp(p, "\x08\x08\x08\xFF", 4) == 0) return 'o';
  if (std::memcmp(p, "\0\0\0\0", 4) == 0) return '.';
  return '?';
}

std::string Cell(const ImageBuffer& image, int c) {
  std::string rows;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) rows += CellPixel(image, c, x, y);
    rows += '\n';
  }
  return rows;
}

TEST(DefaultFontTest, PictureIsTheBuiltInBitmap) {
  ImageBuffer image;
  ASSERT_TRUE(ImageDefaultFont(image));
  ASSERT_EQ(image.width, 128);
  ASSERT_EQ(image.height, 64);
  // The whole picture, computed from the pattern table apart from this code.
  EXPECT_EQ(crc32(0, image.pixels, 128 * 64 * 4), 0xD2A74F79u);

  EXPECT_EQ(Cell(image, 'A'),
            "..ooo...\n"
            ".o###o..\n"
            ".o#o#o..\n"
            ".o###o..\n"
            ".o#o#o..\n"
            ".o#o#o..\n"
            "..o.o...\n"
            "........\n");
  EXPECT_EQ(Cell(image, 'j'),
            "...o....\n"
            "..o#o...\n"
            "...o....\n"
            "..o#o...\n"
            "..o#o...\n"
            "..o#o...\n"
            ".o#o....\n"
            "..o.....\n");
  EXPECT_EQ(Cell(image, 127),
            ".ooooo..\n"
            "o#####o.\n"
            "o#ooo#o.\n"
            "o#o.o#o.\n"
            "o#o.o#o.\n"
            "o#ooo#o.\n"
            "o#####o.\n"
            ".ooooo..\n");
  // The space and characters 0 to 31 are empty.
  std::string blank;
  for (int y = 0; y < 8; ++y) blank += "........\n";
  for (int c : {0, 17, 31, 32}) EXPECT_EQ(Cell(image, c), blank) << c;
  ImageBufferRelease(image);
}

TEST(DefaultFontTest, ReusesALargeEnoughBufferAndClearsIt) {
  ImageBuffer image;
  ASSERT_TRUE(ImageBufferResize(image, 200, 100));
  std::memset(image.pixels, 0x5A, 200 * 100 * 4);
  const uint8_t* storage = image.pixels;
  ASSERT_TRUE(ImageDefaultFont(image));
  EXPECT_EQ(image.pixels, storage);
  EXPECT_EQ(image.width, 128);
  EXPECT_EQ(image.height, 64);
  EXPECT_EQ(crc32(0, image.pixels, 128 * 64 * 4), 0xD2A74F79u);
  ImageBufferRelease(image);
}

}  // namespace
