// Offscreen screens: drawing lands in the target sprite, the window gets
// it back, and a sprite reloaded under a screen keeps receiving drawing.
#include "gfx2d/offscreen_screens.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/image_buffer.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

class OffscreenTest : public SpriteTest {
 protected:
  uint32_t SpritePixel(int32_t s, int32_t x, int32_t y) {
    ImageBuffer image;
    EXPECT_TRUE(SpriteToImage(engine(), s, image));
    const uint32_t pixel = PictureRgba(image, x, y);
    ImageBufferRelease(image);
    return pixel;
  }
};

TEST_F(OffscreenTest, CreateSizesTheSpriteAndLeavesTheWindowCurrent) {
  ASSERT_EQ(ScreenCreate(engine(), 3, 10, 100, 50), 1);
  const SpriteRecord& sprite = engine().sprites[10];
  EXPECT_EQ(sprite.textureWidth, 128);
  EXPECT_EQ(sprite.textureHeight, 64);
  EXPECT_EQ(sprite.imageWidth, 100);
  EXPECT_EQ(sprite.imageHeight, 50);
  EXPECT_FLOAT_EQ(sprite.uMax, 0.78125f);
  EXPECT_FLOAT_EQ(sprite.vMax, 0.78125f);
  EXPECT_EQ(engine().screens[3].sprite, 10);
  EXPECT_EQ(engine().screens[3].width, 128);
  EXPECT_EQ(engine().currentScreen, -1);
  EXPECT_EQ(FboCurrentBinding(), 0);
  EXPECT_EQ(SpritePixel(10, 99, 49), 0u);  // a fresh screen is transparent
}

TEST_F(OffscreenTest, SmallScreensRecordTheTextureTheyReallyGet) {
  ASSERT_EQ(ScreenCreate(engine(), 0, 11, 2, 8), 1);
  const SpriteRecord& sprite = engine().sprites[11];
  GLint width = 0;
  glBindTexture(GL_TEXTURE_2D, sprite.texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(sprite.textureWidth, 16);
  EXPECT_EQ(sprite.textureHeight, 16);
  EXPECT_FLOAT_EQ(sprite.uMax, 0.125f);
  EXPECT_FLOAT_EQ(sprite.vMax, 0.5f);
}

TEST_F(OffscreenTest, DrawingLandsInTheSpriteNotTheWindow) {
  ASSERT_EQ(ScreenCreate(engine(), 0, 5, 20, 10), 1);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);  // the window: blue

  ScreenUse(engine(), 0);
  EXPECT_EQ(engine().currentScreen, 0);
  EXPECT_EQ(FboAttachedTexture(), static_cast<int32_t>(engine().sprites[5].texture));
  Fill(2, 1, 3, 2, 1, 0, 0);
  ScreenEndCurrent(engine());

  EXPECT_EQ(SpritePixel(5, 2, 1), 0xFF0000FFu);  // top-left of the rectangle
  EXPECT_EQ(SpritePixel(5, 4, 2), 0xFF0000FFu);
  EXPECT_EQ(SpritePixel(5, 5, 1), 0u);
  EXPECT_EQ(SpritePixel(5, 2, 3), 0u);
  EXPECT_EQ(PixelAt(2, 1), 0x0000FFu);  // the window kept its colour
  EXPECT_EQ(engine().currentScreen, -1);
}

TEST_F(OffscreenTest, SelectingTheSameScreenAgainEndsItInBetween) {
  ASSERT_EQ(ScreenCreate(engine(), 1, 6, 8, 8), 1);
  engine().alphaMasks[6] = new uint8_t[64]();
  ScreenUse(engine(), 1);
  EXPECT_EQ(engine().alphaMasks[6], nullptr);  // drawing makes the mask stale
  ScreenUse(engine(), 1);
  ScreenUse(engine(), -1);
  EXPECT_EQ(ErrorLogText().find("rebind"), std::string::npos);
  EXPECT_EQ(engine().currentScreen, -1);
  EXPECT_EQ(FboCurrentBinding(), 0);
}

TEST_F(OffscreenTest, ZeroSizeFreesScreenAndSprite) {
  ASSERT_EQ(ScreenCreate(engine(), 2, 7, 16, 16), 1);
  EXPECT_EQ(ScreenCreate(engine(), 2, 7, 0, 16), 0);
  EXPECT_EQ(engine().screens[2].framebuffer, 0);
  EXPECT_EQ(engine().screens[2].sprite, -1);
  EXPECT_EQ(engine().sprites[7].imageWidth, 0);
  EXPECT_EQ(ScreenCreate(engine(), 32, 7, 16, 16), 0);
  EXPECT_EQ(ScreenCreate(engine(), -1, 7, 16, 16), 0);
}

TEST_F(OffscreenTest, ScreensWithoutSpriteDrawNowhere) {
  // Never created, and out of range: current with nothing bound.
  for (int32_t n : {4, 40}) {
    ScreenUse(engine(), n);
    EXPECT_EQ(engine().currentScreen, n);
    EXPECT_EQ(FboCurrentBinding(), 0);
    ScreenEndCurrent(engine());
    EXPECT_EQ(engine().currentScreen, -1);
  }
}

TEST_F(OffscreenTest, ReloadedSpriteKeepsItsScreen) {
  ASSERT_EQ(ScreenCreate(engine(), 0, 8, 16, 16), 1);
  ImageBuffer picture = PatternPicture(40, 20, 3);
  ASSERT_TRUE(SpriteFromImage(engine(), 8, picture, 0, false));
  ImageBufferRelease(picture);
  ASSERT_EQ(engine().screens[0].sprite, 8);
  EXPECT_EQ(engine().screens[0].width, 64);  // the new texture's size

  ScreenUse(engine(), 0);
  Fill(30, 15, 2, 2, 0, 1, 0);
  ScreenEndCurrent(engine());
  EXPECT_EQ(SpritePixel(8, 30, 15), 0x00FF00FFu);
}

TEST_F(OffscreenTest, TeardownDestroysEveryScreen) {
  ASSERT_EQ(ScreenCreate(engine(), 0, 1, 8, 8), 1);
  ASSERT_EQ(ScreenCreate(engine(), 31, 2, 8, 8), 1);
  ScreenUse(engine(), 31);
  ScreenDestroyAll(engine());
  EXPECT_EQ(engine().currentScreen, -1);
  EXPECT_EQ(FboCurrentBinding(), 0);
  for (const FboRecord& screen : engine().screens) {
    EXPECT_EQ(screen.framebuffer, 0);
    EXPECT_EQ(screen.sprite, -1);
  }
}

TEST_F(OffscreenTest, FreeNumberIsTheHighestWithoutSprite) {
  EXPECT_EQ(FreeScreenNumber(engine()), 31);
  ASSERT_EQ(ScreenCreate(engine(), 31, 3, 8, 8), 1);
  EXPECT_EQ(FreeScreenNumber(engine()), 30);
  for (FboRecord& screen : engine().screens) screen.width = 8, screen.sprite = 1;
  EXPECT_EQ(FreeScreenNumber(engine()), -1);
  engine().screens[4].sprite = -1;
  EXPECT_EQ(FreeScreenNumber(engine()), 4);
  engine().screens[7].width = 0;
  EXPECT_EQ(FreeScreenNumber(engine()), 7);
  ScreenCreate(engine(), 31, 3, 0, 0);
  for (FboRecord& screen : engine().screens) screen = FboRecord{0, 0, -1, 0, 0, -1};
}

}  // namespace
