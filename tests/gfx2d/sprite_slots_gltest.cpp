// Sprite slots and texture upload: sizes and extents, the upside-down
// layout, the mipmapped copy, fonts, and the slot after failures.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx2d/image_buffer.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"
#include "tests/support/sprite_fixture.h"

namespace {

// Level `level` of a texture as RGBA bytes, rows as stored (row 0 first).
std::vector<uint8_t> TextureLevel(uint32_t texture, int level, int* width, int* height) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, height);
  std::vector<uint8_t> pixels(static_cast<size_t>(*width) * *height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

uint32_t TexelRgba(const std::vector<uint8_t>& texels, int width, int x, int y) {
  const uint8_t* texel = &texels[(static_cast<size_t>(y) * width + x) * 4];
  return uint32_t{texel[0]} << 24 | uint32_t{texel[1]} << 16 | uint32_t{texel[2]} << 8 | texel[3];
}

GLint TextureParameter(uint32_t texture, GLenum name) {
  GLint value = 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

using SpriteSlotsTest = SpriteTest;

TEST(TextureSideTest, SmallestPowerOfTwoOfAtLeastSixteen) {
  const int32_t cases[][2] = {{0, 16}, {1, 16}, {16, 16}, {17, 32}, {640, 1024}, {1025, 2048}};
  for (const auto& c : cases) EXPECT_EQ(TextureSideFor(c[0]), c[1]) << c[0];
}

TEST_F(SpriteSlotsTest, SizesAndExtentsFollowThePicture) {
  struct Case {
    int32_t width, height, textureWidth, textureHeight;
    float uMax, vMax;
  };
  const Case cases[] = {{1, 1, 16, 16, 0.0625f, 0.0625f},
                        {16, 17, 16, 32, 1.0f, 17.0f / 32.0f},
                        {100, 50, 128, 64, 0.78125f, 0.78125f}};
  for (const Case& c : cases) {
    ImageBuffer picture = PatternPicture(c.width, c.height, 1);
    ASSERT_TRUE(SpriteFromImage(engine(), 3, picture, 0, false));
    const SpriteRecord& sprite = engine().sprites[3];
    EXPECT_EQ(sprite.textureWidth, c.textureWidth);
    EXPECT_EQ(sprite.textureHeight, c.textureHeight);
    EXPECT_EQ(sprite.imageWidth, c.width);
    EXPECT_EQ(sprite.imageHeight, c.height);
    EXPECT_FLOAT_EQ(sprite.uMax, c.uMax);
    EXPECT_FLOAT_EQ(sprite.vMax, c.vMax);
    ImageBufferRelease(picture);
  }
}

TEST_F(SpriteSlotsTest, TextureHoldsThePictureUpsideDownInItsCorner) {
  ImageBuffer picture = PatternPicture(5, 3, 7);
  ASSERT_TRUE(SpriteFromImage(engine(), 0, picture, 0, false));
  int width = 0;
  int height = 0;
  const std::vector<uint8_t> texels = TextureLevel(engine().sprites[0].texture, 0, &width, &height);
  ASSERT_EQ(width, 16);
  ASSERT_EQ(height, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      uint32_t expected = 0;  // transparent black outside the picture
      if (x < 5 && y < 3) expected = PictureRgba(picture, x, 2 - y);
      ASSERT_EQ(TexelRgba(texels, 16, x, y), expected) << "texel " << x << "," << y;
    }
  }
  // Read back through a framebuffer, the picture is the one given.
  ImageBuffer back;
  ASSERT_TRUE(SpriteToImage(engine(), 0, back));
  EXPECT_EQ(PictureDifference(back, picture), "");
  ImageBufferRelease(back);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, UploadOfARectangleAtAnOffset) {
  ImageBuffer picture = PatternPicture(8, 6, 3);
  uint32_t texture = 0;
  // From (3, 2) to the picture's edges: 5 x 4 pixels.
  ASSERT_TRUE(TextureUpload(picture, 3, 2, 0, 0, &texture, nullptr, false, true));
  int width = 0;
  int height = 0;
  const std::vector<uint8_t> texels = TextureLevel(texture, 0, &width, &height);
  ASSERT_EQ(width, 16);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      ASSERT_EQ(TexelRgba(texels, 16, x, y), PictureRgba(picture, 3 + x, 2 + 3 - y)) << x << "," << y;
    }
  }
  EXPECT_EQ(TextureParameter(texture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  // A rectangle with no pixels uploads nothing.
  uint32_t untouched = 0;
  EXPECT_FALSE(TextureUpload(picture, 8, 0, 0, 0, &untouched, nullptr, false, false));
  EXPECT_EQ(untouched, 0u);
  glDeleteTextures(1, &texture);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, MipmappedCopyIsSquareWithEveryLevel) {
  ImageBuffer picture = PatternPicture(64, 16, 5);
  ASSERT_TRUE(SpriteFromImage(engine(), 9, picture, 0, false));
  const SpriteRecord& sprite = engine().sprites[9];
  EXPECT_EQ(sprite.textureWidth, 64);
  EXPECT_EQ(sprite.textureHeight, 16);
  ASSERT_NE(sprite.mipmappedTexture, 0u);
  int side = 16;
  for (int level = 0; level <= 4; ++level, side /= 2) {
    int width = 0;
    int height = 0;
    TextureLevel(sprite.mipmappedTexture, level, &width, &height);
    EXPECT_EQ(width, side) << level;
    EXPECT_EQ(height, side) << level;
  }
  EXPECT_EQ(TextureParameter(sprite.mipmappedTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TextureParameter(sprite.texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, MipmapLevelsWeighNeighbouringTexels) {
  // A 16 x 16 texture whose level 0 is the picture turned upside down;
  // level 1 follows the weighted reduction.
  ImageBuffer picture = PatternPicture(16, 16, 11);
  ASSERT_TRUE(SpriteFromImage(engine(), 2, picture, 0, false));
  int width = 0;
  int height = 0;
  const std::vector<uint8_t> level0 = TextureLevel(engine().sprites[2].mipmappedTexture, 0, &width, &height);
  const std::vector<uint8_t> level1 = TextureLevel(engine().sprites[2].mipmappedTexture, 1, &width, &height);
  ASSERT_EQ(width, 8);
  auto old = [&](int r, int x, int byte) { return int{level0[(r * 16 + x) * 4 + byte]}; };
  for (int r = 0; r < 8; ++r) {
    for (int x = 0; x < 8; ++x) {
      for (int byte = 0; byte < 4; ++byte) {
        int expected;
        if (x < 7 && r < 7) {
          expected = (4 * old(2 * r, 2 * x, byte) + 2 * old(2 * r, 2 * x + 1, byte) +
                      2 * old(2 * r + 2, 2 * x + 1, byte) + old(2 * r + 2, 2 * x, byte)) / 9;
        } else if (x < 7) {
          expected = (2 * old(2 * r, 2 * x, byte) + old(2 * r, 2 * x + 1, byte)) / 3;
        } else if (r < 7) {
          expected = (2 * old(2 * r, 2 * x, byte) + old(2 * r + 2, 2 * x, byte)) / 3;
        } else {
          expected = old(2 * r, 2 * x, byte);
        }
        ASSERT_EQ(int{level1[(r * 8 + x) * 4 + byte]}, expected) << r << "," << x << " byte " << byte;
      }
    }
  }
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, FontSpritesAreNearestWithoutCopy) {
  ImageBuffer picture = PatternPicture(20, 10, 2);
  ASSERT_TRUE(SpriteFromImage(engine(), kFontSpriteBase + 1, picture, 0, false));
  const SpriteRecord& font = engine().sprites[kFontSpriteBase + 1];
  EXPECT_EQ(font.mipmappedTexture, 0u);
  EXPECT_EQ(TextureParameter(font.texture, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(TextureParameter(font.texture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, ResetAndFailedLoadsLeaveTheSlotFree) {
  ImageBuffer picture = PatternPicture(4, 4, 1);
  engine().sprites[4].frameWidth = 2;
  engine().sprites[4].frameHeight = 3;
  ASSERT_TRUE(SpriteFromImage(engine(), 4, picture, 0, false));
  const GLuint texture = engine().sprites[4].texture;
  ASSERT_TRUE(glIsTexture(texture));

  ImageBuffer empty;
  EXPECT_FALSE(SpriteFromImage(engine(), 4, empty, 0, false));
  const SpriteRecord& sprite = engine().sprites[4];
  EXPECT_EQ(sprite.imageWidth, 0);
  EXPECT_EQ(sprite.texture, 0u);
  EXPECT_EQ(sprite.mipmappedTexture, 0u);
  EXPECT_EQ(sprite.textureWidth, -1);
  EXPECT_FLOAT_EQ(sprite.uMax, 1.0f);
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_EQ(sprite.frameWidth, 2);  // the animation frame size stays
  EXPECT_EQ(sprite.frameHeight, 3);

  // Numbers outside the table and pictures no texture can hold.
  EXPECT_FALSE(SpriteFromImage(engine(), -1, picture, 0, false));
  EXPECT_FALSE(SpriteFromImage(engine(), kSpriteCount, picture, 0, false));
  SpriteReset(engine(), -5);
  ImageBuffer wide;
  ASSERT_TRUE(ImageBufferResize(wide, kLargestTextureSide + 1, 1));
  EXPECT_FALSE(SpriteFromImage(engine(), 4, wide, 0, false));
  EXPECT_EQ(engine().sprites[4].imageWidth, 0);
  ImageBufferRelease(wide);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, NormalMapUploadsTheMapOfTheBlueHeights) {
  // A flat picture maps to (127, 127, 255) with its alpha kept.
  ImageBuffer picture;
  ASSERT_TRUE(ImageBufferResize(picture, 4, 4));
  for (int i = 0; i < 16; ++i) std::memcpy(picture.pixels + i * 4, "\x10\x20\x30\xC8", 4);
  ASSERT_TRUE(SpriteFromImage(engine(), 6, picture, 0, true));
  ImageBuffer back;
  ASSERT_TRUE(SpriteToImage(engine(), 6, back));
  EXPECT_EQ(PictureRgba(back, 1, 1), 0x7F7FFFC8u);
  ImageBufferRelease(back);
  ImageBufferRelease(picture);
}

TEST_F(SpriteSlotsTest, FreeNumberIsTheHighestBelowTheFonts) {
  EXPECT_EQ(FreeSpriteNumber(engine()), kFontSpriteBase - 1);
  engine().sprites[kFontSpriteBase - 1].imageWidth = 1;
  engine().sprites[kFontSpriteBase - 2].imageWidth = 1;
  EXPECT_EQ(FreeSpriteNumber(engine()), kFontSpriteBase - 3);
  for (int32_t n = 0; n < kSpriteCount; ++n) engine().sprites[n].imageWidth = 1;
  engine().sprites[kFontSpriteBase].imageWidth = 0;  // a free font is no sprite to hand out
  EXPECT_EQ(FreeSpriteNumber(engine()), -1);
  engine().sprites[0].imageWidth = 0;
  EXPECT_EQ(FreeSpriteNumber(engine()), 0);
  for (int32_t n = 0; n < kSpriteCount; ++n) engine().sprites[n].imageWidth = 0;
}

}  // namespace
