// The sprite commands: loading and saving with their error codes, pixels
// through integer arrays, zoomed drawing about the centre, frame sizes and
// sizes of free and unknown sprites.
#include "gfx2d/sprite_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "core/float_to_int.h"
#include "files/media_resolver.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/png_image.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_file_commands.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr int32_t kSprite = 5;
constexpr int32_t kUnknownSprite = 70000;

class SpriteCommandTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    resolver_.packEnabled = 0;
    g_app.mediaResolver = &resolver_;
  }
  void TearDown() override {
    g_app.mediaResolver = nullptr;
    MediaResolverRelease(resolver_);
    SpriteTest::TearDown();
  }

  // A PNG file in the scratch folder holding the picture.
  std::string PictureFile(const char* name, const ImageBuffer& picture) {
    const std::string path = temp_.File(name);
    EXPECT_TRUE(PngWriteFile(path.c_str(), picture.pixels, picture.width, picture.height));
    return path;
  }

  // Gives sprite n an opaque pattern picture of w x h.
  void Fill(int32_t n, int32_t w, int32_t h) {
    ImageBuffer picture = OpaquePatternPicture(w, h, 3);
    ASSERT_TRUE(SpriteFromImage(engine(), n, picture, 0, false));
    ImageBufferRelease(picture);
  }

  const SpriteRecord& Sprite(int32_t n) { return engine().sprites[n]; }

  MediaResolver resolver_;
};

TEST_F(SpriteCommandTest, LoadCommandsReportFailuresAndLeaveTheSpriteFree) {
  ImageBuffer picture = OpaquePatternPicture(6, 4, 1);
  PictureFile("pic.png", picture);
  WriteFileBytes(temp_.File("notes.txt"), "no picture here");
  enum Command { kLoad, kLoadKeep, kLoadAnim };
  struct Case {
    Command command;
    std::string name;
    int32_t error;
    int16_t width;       // the sprite's picture width afterwards (0 = free)
    int16_t frameWidth;  // its frame width, 3 before
  };
  const std::string dir = temp_.path();
  const Case cases[] = {
      {kLoad, dir + "/pic.png", 0, 6, 3},
      {kLoad, dir + "/PIC.PNG", 0, 6, 3},  // found through the resolver
      {kLoad, "", 0, 0, 3},
      {kLoad, dir + "/missing.png", 3, 0, 3},
      {kLoad, dir + "/notes.txt", 3, 0, 3},
      {kLoadKeep, dir + "/pic.png", 0, 6, 3},
      {kLoadKeep, "", 3, 0, 3},
      {kLoadKeep, dir + "/missing.png", 3, 0, 3},
      {kLoadAnim, dir + "/pic.png", 0, 6, 2},
      {kLoadAnim, dir + "/missing.png", 3, 0, 3},
  };
  for (const Case& c : cases) {
    const std::string label = std::to_string(c.command) + " '" + c.name + "'";
    Fill(kSprite, 9, 9);
    SetSpriteAnimSize(engine(), kSprite, 3, 3);
    RuntimeSetError(7);
    switch (c.command) {
      case kLoad: SpriteLoad(c.name.c_str(), kSprite); break;
      case kLoadKeep: SpriteLoadKeep(c.name.c_str(), kSprite); break;
      case kLoadAnim: SpriteLoadAnim(c.name.c_str(), kSprite, 2, 2); break;
    }
    EXPECT_EQ(g_errorState.code, c.error) << label;
    EXPECT_EQ(Sprite(kSprite).imageWidth, c.width) << label;
    EXPECT_EQ(Sprite(kSprite).frameWidth, c.frameWidth) << label;
  }
  // The normal map is made from the picture, not the picture itself.
  SpriteLoadKeep((dir + "/pic.png").c_str(), kSprite);
  ImageBuffer map;
  ASSERT_TRUE(SpriteToImage(engine(), kSprite, map));
  EXPECT_NE(PictureDifference(map, picture), "");
  ImageBufferRelease(map);
  ImageBufferRelease(picture);
}

TEST_F(SpriteCommandTest, SaveCommandsAnswerAndReport) {
  Fill(kSprite, 5, 5);
  struct Case {
    bool screen;
    int32_t sprite;
    std::string path;
    int32_t result;
  };
  const Case cases[] = {
      {false, kSprite, temp_.File("s.png"), 1},
      {false, kSprite + 1, temp_.File("free.png"), 0},
      {false, kUnknownSprite, temp_.File("unknown.png"), 0},
      {false, kSprite, temp_.File("none/s.png"), 0},
      {true, 0, temp_.File("screen.bmp"), 1},
      {true, 0, temp_.File("none/screen.bmp"), 0},
  };
  for (const Case& c : cases) {
    RuntimeSetError(7);
    const int32_t result =
        c.screen ? ScreenSaveFile(c.path.c_str()) : SpriteSaveFile(c.path.c_str(), c.sprite);
    EXPECT_EQ(result, c.result) << c.path;
    EXPECT_EQ(g_errorState.code, c.result == 1 ? 0 : 3) << c.path;
    EXPECT_EQ(FileExists(c.path), c.result == 1) << c.path;
  }
}

// Gives the array count pattern elements (0 = empty).
void FillPattern(RtArray<int32_t>& pixels, int32_t count) {
  ArrayDimIntExact(pixels, count, 0, 0, 0);
  for (int32_t i = 0; i < count; ++i) pixels.data[i] = static_cast<int32_t>(PatternPixel(i, 0, 9));
}

// The array element of a picture pixel 0xRRGGBBAA: 0xAABBGGRR.
int32_t Element(uint32_t rgba) { return static_cast<int32_t>(__builtin_bswap32(rgba)); }

TEST_F(SpriteCommandTest, SpriteFromArrayNeedsExactlyTheElementsOfItsSize) {
  struct Case {
    int32_t width;
    int32_t height;
    int32_t elements;
    int32_t result;
    int16_t widthAfter;  // the sprite was 9 wide
  };
  const Case cases[] = {
      {3, 2, 6, 1, 3},
      {3, 2, 5, 0, 9},
      {3, 2, 7, 0, 9},
      {-3, -2, 6, 0, 9},          // a positive product of negative sides
      {65536, 65536, 0, 0, 9},    // a product that is 0 in 32 bits
      {65536, 32768, 0, 0, 9},
      {0, 0, 0, 0, 0},            // an empty picture frees the sprite
  };
  for (const Case& c : cases) {
    const std::string label = std::to_string(c.width) + "x" + std::to_string(c.height) + " of " +
                              std::to_string(c.elements);
    Fill(kSprite, 9, 9);
    RtArray<int32_t> pixels;
    FillPattern(pixels, c.elements);
    EXPECT_EQ(SpriteFromArray(pixels, kSprite, c.width, c.height), c.result) << label;
    EXPECT_EQ(Sprite(kSprite).imageWidth, c.widthAfter) << label;
  }
  EXPECT_EQ(SpriteFromArray(RtArray<int32_t>(), kUnknownSprite, 0, 0), 0);
}

TEST_F(SpriteCommandTest, ArrayPixelsAreRedInTheLowByteAndComeBackAlike) {
  RtArray<int32_t> pixels;
  FillPattern(pixels, 6);
  pixels.data[0] = static_cast<int32_t>(0x80C0A020u);  // alpha 80, blue C0, green A0, red 20
  ASSERT_EQ(SpriteFromArray(pixels, kSprite, 3, 2), 1);
  ImageBuffer picture;
  ASSERT_TRUE(SpriteToImage(engine(), kSprite, picture));
  EXPECT_EQ(PictureRgba(picture, 0, 0), 0x20A0C080u);
  EXPECT_EQ(Element(PictureRgba(picture, 2, 1)), pixels.data[5]);
  ImageBufferRelease(picture);

  RtArray<int32_t> back;
  ArrayDimIntExact(back, 2, 0, 0, 0);
  ASSERT_EQ(SpriteToArray(kSprite, back), 1);
  ASSERT_EQ(back.count, 6);
  EXPECT_EQ(back.ndims, 1);
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(back.data[i], pixels.data[i]) << i;

  // A free or unknown sprite leaves the array as it was.
  for (int32_t sprite : {kSprite + 1, kUnknownSprite, -1}) {
    EXPECT_EQ(SpriteToArray(sprite, back), 0) << sprite;
    EXPECT_EQ(back.count, 6) << sprite;
  }
}

TEST_F(SpriteCommandTest, ImageFileToArrayAppliesTheColourKeySet) {
  ImageBuffer picture = OpaquePatternPicture(4, 3, 2);
  GfxSetColourKey(0x00C000);  // green 0xC0
  EXPECT_EQ(engine().fontColourKey, 0x00C000u);
  const uint8_t key[4] = {0x00, 0xC0, 0x00, 0xFF};
  for (int32_t i = 0; i < 4; ++i) picture.pixels[5 * 4 + i] = key[i];
  ASSERT_TRUE(BmpWriteFile(temp_.File("keyed.bmp").c_str(), picture.pixels, 4, 3));
  int32_t width = -1;
  int32_t height = -1;
  RtArray<int32_t> pixels;
  g_errorState.code = 0;
  ASSERT_EQ(ImageFileToArray(temp_.File("KEYED.bmp").c_str(), &width, &height, pixels), 1);
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 3);
  ASSERT_EQ(pixels.count, 12);
  EXPECT_EQ(pixels.data[0], Element(PictureRgba(picture, 0, 0)));
  EXPECT_EQ(pixels.data[11], Element(PictureRgba(picture, 3, 2)));
  EXPECT_EQ(static_cast<uint32_t>(pixels.data[5]) >> 24, 0u);  // the key pixel is transparent
  // and coloured from its one opaque neighbour inside the border
  EXPECT_EQ(pixels.data[5] & 0xFFFFFF, Element(PictureRgba(picture, 2, 1)) & 0xFFFFFF);

  WriteFileBytes(temp_.File("notes.txt"), "no picture here");
  for (const char* name : {"missing.png", "notes.txt"}) {
    EXPECT_EQ(ImageFileToArray(temp_.File(name).c_str(), &width, &height, pixels), 0) << name;
    EXPECT_EQ(g_errorState.code, 3) << name;
    EXPECT_EQ(width, 4) << name;
    EXPECT_EQ(pixels.count, 12) << name;
  }
  ImageBufferRelease(picture);
}

TEST_F(SpriteCommandTest, ZoomedSpritesGrowAboutTheirCentre) {
  SetSmoothing(engine(), 0);
  ImageBuffer white;
  ASSERT_TRUE(ImageBufferResize(white, 10, 10));
  for (int32_t i = 0; i < 400; ++i) white.pixels[i] = 0xFF;
  ASSERT_TRUE(SpriteFromImage(engine(), kSprite, white, 0, false));
  ImageBufferRelease(white);
  struct Case {
    double zoomX;
    double zoomY;
    int x0, y0, x1, y1;  // the covered window pixels, x1 and y1 excluded
  };
  const Case cases[] = {
      {1.0, 1.0, 20, 15, 30, 25},   // as SpriteDraw draws it
      {2.0, 2.0, 15, 10, 35, 30},
      {1.5, 0.5, 18, 17, 33, 22},   // 15 wide: growth 5 moves 2; 5 high: growth -5 moves -2
      {0.25, 3.0, 23, 5, 25, 35},   // 2.5 wide gives 2: growth -7.5 gives -7, moves -3
  };
  for (const Case& c : cases) {
    const std::string label = std::to_string(c.zoomX) + " " + std::to_string(c.zoomY);
    ClearWindow(0);
    SpriteDrawZoomed(kSprite, 20, 15, c.zoomX, c.zoomY);
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                return x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1 ? 0xFFFFFFu : 0u;
              }),
              "")
        << label;
  }
}

TEST_F(SpriteCommandTest, SizesAndFrameSizesOfFreeAndUnknownSprites) {
  Fill(kSprite, 7, 4);
  struct Case {
    double sprite;
    int32_t width;
    int32_t height;
  };
  const Case cases[] = {{kSprite, 7, 4}, {kSprite + 0.9, 7, 4}, {kSprite + 1, 0, 0},
                        {kUnknownSprite, 0, 0}, {-1, 0, 0}, {1e12, 0, 0}};
  for (const Case& c : cases) {
    int32_t w = -1;
    int32_t h = -1;
    SpriteGetSize(TruncToInt32(c.sprite), &w, &h);
    double wf = -1;
    double hf = -1;
    SpriteGetSizeF(c.sprite, &wf, &hf);
    EXPECT_EQ(w, c.width) << c.sprite;
    EXPECT_EQ(h, c.height) << c.sprite;
    EXPECT_EQ(wf, c.width) << c.sprite;
    EXPECT_EQ(hf, c.height) << c.sprite;
  }
  SpriteSetAnimSize(kSprite, 2, 3);
  SpriteSetAnimSize(kSprite + 1, 2, 3);
  SpriteSetAnimSize(kUnknownSprite, 2, 3);
  EXPECT_EQ(Sprite(kSprite).frameWidth, 2);
  EXPECT_EQ(Sprite(kSprite).frameHeight, 3);
  EXPECT_EQ(Sprite(kSprite + 1).frameWidth, 0);  // a free sprite is left alone
  EXPECT_EQ(SpriteGetTexture(kSprite), static_cast<int32_t>(Sprite(kSprite).texture));
  EXPECT_EQ(SpriteGetTexture(kUnknownSprite), 0);
}

}  // namespace
