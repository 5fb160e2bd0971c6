// Reading the screen back: single pixels, grabs into sprites under every
// orientation and from an offscreen screen, the colour key of a grab, and
// grabs into background tiles.
#include "gfx2d/screen_grab.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "gfx2d/background_tiles.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/png_image.h"
#include "gfx2d/primitives.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr int32_t kScene = 1;    // 64 x 64 opaque pattern, covers the screen at any orientation
constexpr int32_t kGrabbed = 2;

class ScreenGrabTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    scene_ = OpaquePatternPicture(64, 64, 9);
    ASSERT_TRUE(SpriteFromImage(engine(), kScene, scene_, 0, false));
    SetSmoothing(engine(), 0);
    ClearWindow(0);
  }
  void TearDown() override {
    ImageBufferRelease(scene_);
    SpriteTest::TearDown();
  }
  void Orient(int32_t orientation) {
    engine().orientation = orientation;
    SetViewportProjection(engine(), 0, 0, 0, 0);
  }
  // The scene's colour at a screen point, as 0x00BBGGRR.
  uint32_t SceneColour(int32_t x, int32_t y) const {
    const uint32_t rgba = PictureRgba(scene_, x, y);
    return (rgba >> 24) | ((rgba >> 8) & 0xFF00) | ((rgba << 8) & 0xFF0000);
  }
  ImageBuffer Grabbed() {
    ImageBuffer image;
    EXPECT_TRUE(SpriteToImage(engine(), kGrabbed, image));
    return image;
  }

  ImageBuffer scene_;
};

TEST_F(ScreenGrabTest, PixelsAndGrabsFollowTheOrientation) {
  for (int32_t orientation = 0; orientation < 4; ++orientation) {
    Orient(orientation);
    DrawSprite(engine(), kScene, 0, 0);
    // A screen point reads back what was drawn there, in either pixel order.
    for (const uint8_t bgra : {0, 1}) {
      engine().bgraSupported = bgra;
      for (const auto& p : {std::pair{0, 0}, std::pair{3, 9}, std::pair{40, 20}, std::pair{47, 47}}) {
        EXPECT_EQ(ReadScreenPixel(engine(), p.first, p.second), SceneColour(p.first, p.second))
            << "orientation " << orientation << " at " << p.first << "," << p.second;
      }
      ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 3, 5, 10, 7));
      const SpriteRecord& sprite = engine().sprites[kGrabbed];
      EXPECT_EQ(sprite.imageWidth, 10);
      EXPECT_EQ(sprite.imageHeight, 7);
      EXPECT_EQ(sprite.textureWidth, 16);
      EXPECT_EQ(sprite.textureHeight, 8);
      EXPECT_FLOAT_EQ(sprite.uMax, 10.0f / 16.0f);
      EXPECT_FLOAT_EQ(sprite.vMax, 7.0f / 8.0f);
      ImageBuffer grabbed = Grabbed();
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
          ASSERT_EQ(PictureRgba(grabbed, x, y), PictureRgba(scene_, 3 + x, 5 + y))
              << "orientation " << orientation << " bgra " << int{bgra} << " at " << x << "," << y;
        }
      }
      ImageBufferRelease(grabbed);
    }
  }
  // Outside the surface there is nothing to read.
  Orient(0);
  for (const auto& p : {std::pair{-1, 0}, std::pair{kWidth, 0}, std::pair{0, kHeight},
                        std::pair{INT32_MIN, INT32_MAX}}) {
    EXPECT_EQ(ReadScreenPixel(engine(), p.first, p.second), 0u);
  }
}

TEST_F(ScreenGrabTest, KeyColouredPixelsOfAGrabAreTransparent) {
  GLint alphaBits = -1;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  ASSERT_EQ(alphaBits, 0) << "the test window has no alpha";
  // Pixel (4, 4) holds a colour of its own, which the key probe must put back.
  Fill(0, 0, 8, 8, 0, 0, 1);
  Fill(4, 4, 1, 1, 0, 1, 1);
  Fill(2, 1, 3, 2, 1, 0, 128.0f / 255.0f);  // the key colour RGB(255, 0, 128)
  const struct {
    uint32_t key;
    bool keyed;
  } cases[] = {{kDefaultSpriteColourKey, true}, {0xFFFFFFFF, false}};
  for (const auto& c : cases) {
    engine().spriteColourKey = c.key;
    ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 0, 0, 6, 6));
    EXPECT_EQ(PixelAt(4, 4), 0x00FFFFu);
    ImageBuffer grabbed = Grabbed();
    EXPECT_EQ(PictureRgba(grabbed, 2, 1), c.keyed ? 0xFF008000u : 0xFF0080FFu);
    EXPECT_EQ(PictureRgba(grabbed, 4, 2), c.keyed ? 0xFF008000u : 0xFF0080FFu);
    EXPECT_EQ(PictureRgba(grabbed, 5, 1), 0x0000FFFFu);
    EXPECT_EQ(PictureRgba(grabbed, 4, 4), 0x00FFFFFFu);
    ImageBufferRelease(grabbed);
  }
  engine().spriteColourKey = kDefaultSpriteColourKey;
  EXPECT_EQ(ProbeColourKeyPixel(engine()), 0xFF008000u);  // 0x008000FF reversed
  EXPECT_EQ(PixelAt(4, 4), 0x00FFFFu);
  for (const uint32_t key : {0u, 0xFFFFFFFFu}) {
    engine().spriteColourKey = key;
    EXPECT_EQ(ProbeColourKeyPixel(engine()), 0u);
  }
  // A black key needs no probe: black pixels become transparent.
  engine().spriteColourKey = 0;
  Fill(0, 0, 2, 2, 0, 0, 0);
  ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 0, 0, 3, 3));
  ImageBuffer grabbed = Grabbed();
  EXPECT_EQ(PictureRgba(grabbed, 1, 1), 0x00000000u);
  EXPECT_EQ(PictureRgba(grabbed, 2, 0), 0x0000FFFFu);
  ImageBufferRelease(grabbed);
}

TEST_F(ScreenGrabTest, GrabFromAnOffscreenScreenKeepsItsAlpha) {
  ASSERT_EQ(ScreenCreate(engine(), 0, 5, 20, 10), 1);
  engine().orientation = 1;  // screens are never turned
  ScreenUse(engine(), 0);
  DrawSprite(engine(), kScene, 0, 0);
  DrawFilledRect(engine(), 6, 2, 2, 2, 0x00FF00);
  EXPECT_EQ(ReadScreenPixel(engine(), 6, 3), 0x00FF00u);
  EXPECT_EQ(ReadScreenPixel(engine(), 19, 9), SceneColour(19, 9));
  EXPECT_EQ(ReadScreenPixel(engine(), 20, 0), 0u);
  ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 5, 1, 4, 3));
  ScreenEndCurrent(engine());
  ImageBuffer grabbed = Grabbed();
  EXPECT_EQ(PictureRgba(grabbed, 1, 1), 0x00FF00FFu);
  EXPECT_EQ(PictureRgba(grabbed, 0, 0), PictureRgba(scene_, 5, 1));
  EXPECT_EQ(PictureRgba(grabbed, 3, 2), PictureRgba(scene_, 8, 3));
  ImageBufferRelease(grabbed);
}

TEST_F(ScreenGrabTest, GrabSizesFreeOrRefuse) {
  ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 0, 0, 10, 7));
  const uint32_t texture = engine().sprites[kGrabbed].texture;
  engine().alphaMasks[kGrabbed] = new uint8_t[70]();
  // The same texture size is reused; the stale mask goes.
  ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 1, 1, 9, 5));
  EXPECT_EQ(engine().sprites[kGrabbed].texture, texture);
  EXPECT_EQ(engine().alphaMasks[kGrabbed], nullptr);

  const struct {
    int32_t sprite, width, height;
    bool result;
  } cases[] = {
      {kGrabbed, 0, 5, true},   // frees the sprite
      {kGrabbed, 5, 0, true},
      {kGrabbed, -5, 5, false},  // frees it too
      {kGrabbed, 5, INT32_MIN, false},
      {kGrabbed, 40000, 5, false},
      {-1, 5, 5, false},
      {kSpriteCount, 5, 5, false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(GrabSprite(engine(), kGrabbed, 0, 0, 4, 4));
    EXPECT_EQ(GrabSprite(engine(), c.sprite, 0, 0, c.width, c.height), c.result)
        << c.sprite << " " << c.width << "x" << c.height;
    const bool freed = c.sprite == kGrabbed;
    EXPECT_EQ(engine().sprites[kGrabbed].imageWidth, freed ? 0 : 4) << c.width << "x" << c.height;
  }
  // Far positions grab nothing but fail nothing.
  EXPECT_TRUE(GrabSprite(engine(), kGrabbed, INT32_MAX, INT32_MIN, 4, 4));
}

TEST_F(ScreenGrabTest, GrabbedBackgroundDrawsTheScreenAgain) {
  DrawSprite(engine(), kScene, 0, 0);
  for (const uint8_t bgra : {0, 1}) {
    engine().bgraSupported = bgra;
    GrabScreenToBackground(engine(), 3);
    const BackgroundSlot& slot = engine().backgrounds[3];
    EXPECT_EQ(slot.columns, 1);
    EXPECT_EQ(slot.rows, 1);
    EXPECT_EQ(slot.tileTextureWidth[0], 128);
    EXPECT_EQ(slot.tileImageWidth[0], kWidth);
    EXPECT_EQ(slot.tileImageHeight[0], kHeight);
    ClearWindow(0);
    DrawBackground(engine(), 3);
    EXPECT_EQ(WindowDifference([&](int x, int y) { return PictureRgba(scene_, x, y) >> 8; }), "")
        << "bgra " << int{bgra};
  }
  const uint32_t tile = engine().backgrounds[3].tileTexture[0];
  GrabScreenToBackground(engine(), 3);
  EXPECT_EQ(engine().backgrounds[3].tileTexture[0], tile);  // reused
  GrabScreenToBackground(engine(), 8);  // no such slot
  GrabScreenToBackground(engine(), -1);
  BackgroundSlotFree(engine(), 3);
}

TEST_F(ScreenGrabTest, SaveScreenWritesTheSurfaceAsItIsSeen) {
  const std::string path = temp_.File("screen.png");
  for (const int32_t orientation : {0, 1}) {
    Orient(orientation);
    DrawSprite(engine(), kScene, 0, 0);
    ASSERT_TRUE(SaveScreen(engine(), path.c_str()));
    EXPECT_EQ(FreeSpriteNumber(engine()), kFontSpriteBase - 1);  // the sprite it used is free again
    ImageBuffer saved;
    ASSERT_TRUE(ImageLoadPng(saved, path.c_str(), -1));
    EXPECT_EQ(saved.width, orientation == 0 ? kWidth : kHeight);
    EXPECT_EQ(saved.height, orientation == 0 ? kHeight : kWidth);
    for (int y = 0; y < saved.height; ++y) {
      for (int x = 0; x < saved.width; ++x) {
        ASSERT_EQ(PictureRgba(saved, x, y), PictureRgba(scene_, x, y)) << orientation << " " << x << "," << y;
      }
    }
    ImageBufferRelease(saved);
  }
  // No free sprite: nothing is written.
  for (int32_t n = 0; n < kFontSpriteBase; ++n) engine().sprites[n].imageWidth += n == kScene ? 0 : 1;
  EXPECT_FALSE(SaveScreen(engine(), temp_.File("none.png").c_str()));
  EXPECT_FALSE(FileExists(temp_.File("none.png")));
  for (int32_t n = 0; n < kFontSpriteBase; ++n) engine().sprites[n].imageWidth -= n == kScene ? 0 : 1;
}

}  // namespace
