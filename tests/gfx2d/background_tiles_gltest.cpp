// Background images cut into tiles of 512 pixels.
#include "gfx2d/background_tiles.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx2d/image_buffer.h"
#include "gfx2d/png_image.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

class BackgroundTilesTest : public SpriteTest {
 protected:
  // A PNG file of an opaque pattern picture.
  std::string PictureFile(const char* name, int32_t width, int32_t height) {
    ImageBuffer picture = PatternPicture(width, height, 8);
    for (int32_t i = 0; i < width * height; ++i) picture.pixels[i * 4 + 3] = 255;
    const std::string path = temp_.File(name);
    EXPECT_TRUE(PngWriteFile(path.c_str(), picture.pixels, width, height));
    ImageBufferRelease(picture);
    return path;
  }
};

// Texel (x, y) of a tile texture counted from the tile's top, as 0xRRGGBBAA.
uint32_t TileTexel(uint32_t texture, int32_t side, int32_t x, int32_t y) {
  std::vector<uint8_t> texels(static_cast<size_t>(side) * side * 4);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  const uint8_t* t = &texels[(static_cast<size_t>(side - 1 - y) * side + x) * 4];
  return uint32_t{t[0]} << 24 | uint32_t{t[1]} << 16 | uint32_t{t[2]} << 8 | t[3];
}

TEST_F(BackgroundTilesTest, PictureIsCutIntoTilesOfFiveHundredTwelve) {
  const std::string path = PictureFile("bg.png", 640, 480);
  ASSERT_TRUE(BackgroundLoad(engine(), 1, path.c_str()));
  const BackgroundSlot& slot = engine().backgrounds[1];
  EXPECT_EQ(slot.columns, 2);
  EXPECT_EQ(slot.rows, 1);
  for (int entry : {0, 8}) {
    EXPECT_NE(slot.tileTexture[entry], 0u);
    EXPECT_EQ(slot.tileTextureWidth[entry], 512);
    EXPECT_EQ(slot.tileImageHeight[entry], 512);
  }
  EXPECT_EQ(slot.tileTexture[1], 0u);
  // The second tile: picture columns 512..639, transparent black beyond.
  const uint32_t opaque = PatternPixel(512 + 5, 7, 8) | 0xFF;
  EXPECT_EQ(TileTexel(slot.tileTexture[8], 512, 5, 7), opaque);
  EXPECT_EQ(TileTexel(slot.tileTexture[8], 512, 128, 7), 0u);
  EXPECT_EQ(TileTexel(slot.tileTexture[8], 512, 5, 480), 0u);
}

TEST_F(BackgroundTilesTest, ReloadReplacesAndFailuresKeepTheSlot) {
  const std::string big = PictureFile("big.png", 600, 20);
  const std::string small = PictureFile("small.png", 30, 20);
  ASSERT_TRUE(BackgroundLoad(engine(), 2, big.c_str()));
  const GLuint second = engine().backgrounds[2].tileTexture[8];
  ASSERT_TRUE(BackgroundLoad(engine(), 2, small.c_str()));
  EXPECT_EQ(engine().backgrounds[2].columns, 1);
  EXPECT_FALSE(glIsTexture(second));  // the old tiles are gone

  const GLuint kept = engine().backgrounds[2].tileTexture[0];
  const std::string tooWide = PictureFile("wide.png", 8 * 512 + 1, 1);
  for (const std::string& bad : {temp_.File("missing.png"), tooWide}) {
    EXPECT_FALSE(BackgroundLoad(engine(), 2, bad.c_str()));
    EXPECT_EQ(engine().backgrounds[2].columns, 1);
    EXPECT_EQ(engine().backgrounds[2].tileTexture[0], kept);
  }
  EXPECT_FALSE(BackgroundLoad(engine(), -1, small.c_str()));
  EXPECT_FALSE(BackgroundLoad(engine(), kBackgroundCount, small.c_str()));
}

TEST_F(BackgroundTilesTest, DeleteAllSpritesFreesSpritesFontsAndSlots) {
  const std::string path = PictureFile("bg.png", 16, 16);
  ASSERT_TRUE(BackgroundLoad(engine(), 0, path.c_str()));
  ASSERT_TRUE(SpriteFromFile(engine(), 0, path.c_str(), 0, false));
  ASSERT_TRUE(SpriteFromFile(engine(), kFontSpriteBase + 31, path.c_str(), 0, false));
  DeleteAllSprites(engine());
  EXPECT_EQ(engine().sprites[0].imageWidth, 0);
  EXPECT_EQ(engine().sprites[kFontSpriteBase + 31].imageWidth, 0);
  EXPECT_EQ(engine().backgrounds[0].columns, 0);
  BackgroundSlotFree(engine(), 0);  // freeing a free slot only clears it
  EXPECT_EQ(engine().backgrounds[0].tileTexture[0], 0u);
}

}  // namespace
