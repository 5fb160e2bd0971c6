// Sprites from image files and back: the reader chain, the colour key with
// its bleeding, and saving by the name's extension.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "files/memory_file.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/png_image.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

class SpriteFilesTest : public SpriteTest {
 protected:
  // Sprite n's picture; the caller releases it.
  ImageBuffer Picture(int32_t n) {
    ImageBuffer image;
    EXPECT_TRUE(SpriteToImage(engine(), n, image));
    return image;
  }
};

TEST_F(SpriteFilesTest, SaveSpriteChoosesTheFormatByExtension) {
  ImageBuffer picture = OpaquePatternPicture(12, 7, 4);
  ASSERT_TRUE(SpriteFromImage(engine(), 1, picture, 0, false));
  struct Case {
    const char* name;
    std::string signature;
  };
  const Case cases[] = {{"a.PNG", "\x89PNG"},  {"b.png", "\x89PNG"}, {"c.jpg", "\xFF\xD8\xFF"},
                        {"d.bmp", "BM"},       {"e.jpeg", "BM"},     {"noext", "BM"},
                        {"f.pngx", "BM"}};
  for (const Case& c : cases) {
    const std::string path = temp_.File(c.name);
    ASSERT_TRUE(SaveSprite(engine(), 1, path.c_str())) << c.name;
    EXPECT_EQ(ReadFileBytes(path).substr(0, c.signature.size()), c.signature) << c.name;

    // Each reads back into a sprite: exactly, or at its size for JPEG.
    ASSERT_TRUE(SpriteFromFile(engine(), 2, path.c_str(), engine().spriteColourKey, false)) << c.name;
    ImageBuffer back = Picture(2);
    ASSERT_EQ(back.width, 12);
    ASSERT_EQ(back.height, 7);
    if (c.signature[0] != '\xFF') {
      EXPECT_EQ(PictureDifference(back, picture), "") << c.name;
    }
    ImageBufferRelease(back);
  }
  EXPECT_FALSE(SaveSprite(engine(), 3, temp_.File("free.png").c_str()));  // a free sprite
  EXPECT_FALSE(FileExists(temp_.File("free.png")));
  ImageBufferRelease(picture);
}

TEST_F(SpriteFilesTest, JpegKeepsRedAndBlueApart) {
  ImageBuffer red;
  ASSERT_TRUE(ImageBufferResize(red, 16, 16));
  for (int32_t i = 0; i < 256; ++i) std::memcpy(red.pixels + i * 4, "\xFF\x00\x00\xFF", 4);
  ASSERT_TRUE(SpriteFromImage(engine(), 1, red, 0, false));
  const std::string path = temp_.File("red.jpg");
  ASSERT_TRUE(SaveSprite(engine(), 1, path.c_str()));
  ASSERT_TRUE(SpriteFromFile(engine(), 2, path.c_str(), 0, false));
  ImageBuffer back = Picture(2);
  const uint32_t pixel = PictureRgba(back, 8, 8);
  EXPECT_GT(pixel >> 24, 0xF0u);
  EXPECT_LT((pixel >> 8) & 0xFF, 0x10u);
  ImageBufferRelease(back);
  ImageBufferRelease(red);
}

TEST_F(SpriteFilesTest, KeyedBmpPixelsAreTransparentAndColouredFromNeighbours) {
  // A 4 x 4 bitmap: the key colour everywhere but an inner opaque pair.
  ImageBuffer picture;
  ASSERT_TRUE(ImageBufferResize(picture, 4, 4));
  for (int32_t i = 0; i < 16; ++i) std::memcpy(picture.pixels + i * 4, "\xFF\x00\x80\xFF", 4);
  std::memcpy(picture.pixels + (1 * 4 + 1) * 4, "\xC8\x00\x00\xFF", 4);
  std::memcpy(picture.pixels + (1 * 4 + 2) * 4, "\x00\x00\x64\xFF", 4);
  const std::string path = temp_.File("keyed.bmp");
  ASSERT_TRUE(BmpWriteFile(path.c_str(), picture.pixels, 4, 4));

  ASSERT_TRUE(SpriteFromFile(engine(), 5, path.c_str(), engine().spriteColourKey, false));
  ImageBuffer back = Picture(5);
  EXPECT_EQ(PictureRgba(back, 1, 1), 0xC80000FFu);
  EXPECT_EQ(PictureRgba(back, 1, 0), 0x64003200u);  // mean of both, alpha 0
  EXPECT_EQ(PictureRgba(back, 0, 3), 0x00000000u);  // no counted neighbour
  ImageBufferRelease(back);

  // Without a key every pixel stays opaque.
  ASSERT_TRUE(SpriteFromFile(engine(), 5, path.c_str(), static_cast<uint32_t>(-1), false));
  back = Picture(5);
  EXPECT_EQ(PictureRgba(back, 0, 3), 0xFF0080FFu);
  ImageBufferRelease(back);
  ImageBufferRelease(picture);
}

TEST_F(SpriteFilesTest, MemoryFilesAndFailures) {
  ImageBuffer picture = OpaquePatternPicture(3, 2, 4);
  const std::string path = temp_.File("p.png");
  ASSERT_TRUE(PngWriteFile(path.c_str(), picture.pixels, 3, 2));
  const std::string bytes = ReadFileBytes(path);
  const std::string name = MemoryFilePublish(bytes.data(), static_cast<uint32_t>(bytes.size()));
  ASSERT_TRUE(SpriteFromFile(engine(), 6, name.c_str(), engine().spriteColourKey, false));
  ImageBuffer back = Picture(6);
  EXPECT_EQ(PictureDifference(back, picture), "");
  ImageBufferRelease(back);
  MemoryFileWithdraw(bytes.data());

  // A failed load leaves the slot free.
  WriteFileBytes(temp_.File("junk.png"), "not a picture at all");
  const std::string missing = temp_.File("missing.png");
  const std::string junk = temp_.File("junk.png");
  for (const char* bad : {static_cast<const char*>(nullptr), "", missing.c_str(), junk.c_str()}) {
    ASSERT_TRUE(SpriteFromImage(engine(), 6, picture, 0, false));
    EXPECT_FALSE(SpriteFromFile(engine(), 6, bad, 0, false)) << (bad ? bad : "null");
    EXPECT_EQ(engine().sprites[6].imageWidth, 0);
    EXPECT_EQ(engine().sprites[6].texture, 0u);
  }
  ImageBufferRelease(picture);
}

}  // namespace
