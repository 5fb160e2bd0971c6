// Pixel collision: opaque pixels meet and transparent ones do not, the
// picture lies upside down in its mask, frames are found in their cells,
// masks are read once, and no input leads a read out of a mask.
#include "gfx2d/sprite_collision.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "gfx2d/image_buffer.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

using Shape = std::vector<const char*>;

// An L: a bar down the left and one along the bottom. Read upside down it
// would have its long bar along the top.
const Shape kLShape = {"#....", "#....", "#....", "#....", "#####"};
// One opaque pixel in the middle of a 3 x 3 picture.
const Shape kDotShape = {"...", ".#.", "..."};

constexpr int32_t kL = 1;
constexpr int32_t kDot = 2;
constexpr int32_t kSquare = 3;  // 16 x 16, opaque
constexpr int32_t kStrip = 4;

class SpriteCollisionTest : public SpriteTest {
 protected:
  // A w x h picture, transparent black all over.
  static ImageBuffer BlankPicture(int32_t w, int32_t h) {
    ImageBuffer picture;
    ImageBufferResize(picture, w, h);
    std::memset(picture.pixels, 0, static_cast<size_t>(w) * h * 4);
    return picture;
  }
  // Makes pixel (x, y) opaque white.
  static void SetOpaque(ImageBuffer& picture, int32_t x, int32_t y) {
    std::memset(picture.pixels + (static_cast<size_t>(y) * picture.width + x) * 4, 0xFF, 4);
  }

  void MakeSprite(int32_t n, ImageBuffer picture) {
    const bool made = SpriteFromImage(engine(), n, picture, 0, false);
    ImageBufferRelease(picture);
    ASSERT_TRUE(made);
  }
  // '#' is opaque, anything else transparent.
  void MakeSprite(int32_t n, const Shape& rows) {
    ImageBuffer picture =
        BlankPicture(static_cast<int32_t>(std::strlen(rows[0])), static_cast<int32_t>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y) {
      for (size_t x = 0; rows[y][x] != '\0'; ++x) {
        if (rows[y][x] == '#') SetOpaque(picture, static_cast<int32_t>(x), static_cast<int32_t>(y));
      }
    }
    MakeSprite(n, picture);
  }
  void MakeSquare(int32_t n) {
    ImageBuffer picture = BlankPicture(16, 16);
    std::memset(picture.pixels, 0xFF, 16 * 16 * 4);
    MakeSprite(n, picture);
  }

  // Whether the dot, placed with its opaque pixel at (x, y), meets sprite n
  // at (nx, ny).
  bool DotMeets(int32_t n, int64_t nx, int64_t ny, int64_t x, int64_t y) {
    return SpriteCollision(engine(), n, kDot, static_cast<int32_t>(nx), static_cast<int32_t>(ny),
                           static_cast<int32_t>(x - 1), static_cast<int32_t>(y - 1));
  }

  // Sets every texel of sprite n's texture (beyond its picture too) to
  // one value.
  void FillTexture(int32_t n, uint8_t value) {
    const SpriteRecord& sprite = engine().sprites[n];
    std::vector<uint8_t> texels(static_cast<size_t>(sprite.textureWidth) * sprite.textureHeight * 4, value);
    glBindTexture(GL_TEXTURE_2D, sprite.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, sprite.textureWidth, sprite.textureHeight, GL_RGBA,
                    GL_UNSIGNED_BYTE, texels.data());
  }
};

TEST_F(SpriteCollisionTest, OpaquePixelsMeetAndTransparentOnesDoNot) {
  MakeSprite(kL, kLShape);
  MakeSprite(kDot, kDotShape);
  // Where the dot's opaque pixel lies, relative to the L's top-left.
  struct Case {
    int32_t dx, dy;
    bool collide;
    const char* what;
  };
  const Case cases[] = {
      {0, 0, true, "top of the upright bar"},
      {0, 4, true, "corner"},
      {4, 4, true, "end of the bottom bar"},
      {2, 2, false, "inside the L, boxes overlapping"},
      {2, 0, false, "where the bar would be upside down"},
      {4, 0, false, "top-right corner, upside-down bar end"},
      {5, 4, false, "right of the bar: boxes overlap, transparent there"},
      {2, 5, false, "below the bar: boxes overlap, transparent there"},
      {-1, 2, false, "left of the upright bar"},
  };
  // Positions far from the origin and at the end of the 32-bit range,
  // where a right or bottom edge passes INT32_MAX.
  const int64_t origins[][2] = {{10, 10}, {-70000, -3}, {INT32_MAX - 4, INT32_MAX - 4}};
  for (const auto& origin : origins) {
    for (const Case& c : cases) {
      EXPECT_EQ(DotMeets(kL, origin[0], origin[1], origin[0] + c.dx, origin[1] + c.dy), c.collide)
          << c.what << " at " << origin[0] << "," << origin[1];
    }
  }
}

TEST_F(SpriteCollisionTest, BoxesSharingAnEdgeDoNotMeetOnePixelDoes) {
  MakeSquare(kSquare);
  MakeSquare(kSquare + 1);
  const int32_t cases[][3] = {{16, 0, 0},  {0, 16, 0},  {-16, 5, 0}, {5, -16, 0},
                              {15, 15, 1}, {-15, -15, 1}, {15, -15, 1}, {0, 0, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(SpriteCollision(engine(), kSquare, kSquare + 1, 100, 100, 100 + c[0], 100 + c[1]), c[2] != 0)
        << c[0] << "," << c[1];
  }
}

TEST_F(SpriteCollisionTest, FramesMeetAtTheirOwnPositions) {
  // 4 x 4 frames, 4 to a row (18 / 4, the rest of a row unused), 2 rows.
  // Frame k's one opaque pixel sits at (k % 4, k / 4) inside its cell.
  ImageBuffer strip = BlankPicture(18, 8);
  for (int32_t k = 0; k < 8; ++k) SetOpaque(strip, 4 * (k % 4) + k % 4, 4 * (k / 4) + k / 4);
  MakeSprite(kStrip, strip);
  engine().sprites[kStrip].frameWidth = 4;
  engine().sprites[kStrip].frameHeight = 4;
  MakeSprite(kDot, kDotShape);

  for (int32_t frame = 0; frame < 8; ++frame) {
    for (int32_t spot = 0; spot < 8; ++spot) {
      const int32_t x = 20 + spot % 4;
      const int32_t y = 30 + spot / 4;
      // The dot has no frames: whichever it is given, it is whole.
      EXPECT_EQ(AnimCollision(engine(), kStrip, frame, 20, 30, kDot, 7, x - 1, y - 1), frame == spot)
          << "frame " << frame << " spot " << spot;
      EXPECT_EQ(AnimCollision(engine(), kDot, 0, x - 1, y - 1, kStrip, frame, 20, 30), frame == spot)
          << "frame " << frame << " spot " << spot << " (second)";
    }
  }
}

TEST_F(SpriteCollisionTest, MaskIsReadOnceAndKeptUntilReset) {
  MakeSprite(kL, kLShape);
  MakeSprite(kDot, kDotShape);
  EXPECT_EQ(engine().alphaMasks[kL], nullptr);

  // Reading leaves the texture binding as it was.
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  ASSERT_TRUE(DotMeets(kL, 0, 0, 0, 0));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), other);
  glDeleteTextures(1, &other);

  const uint8_t* mask = engine().alphaMasks[kL];
  ASSERT_NE(mask, nullptr);
  FillTexture(kL, 0);  // the texture changes; the kept mask does not
  EXPECT_TRUE(SpriteAlphaMask(engine(), kL));
  EXPECT_TRUE(DotMeets(kL, 0, 0, 0, 0));
  EXPECT_EQ(engine().alphaMasks[kL], mask);

  // Reloading gives the next test the new picture's mask.
  MakeSprite(kL, Shape{"....#", "....#"});
  EXPECT_EQ(engine().alphaMasks[kL], nullptr);
  EXPECT_FALSE(DotMeets(kL, 0, 0, 0, 0));
  EXPECT_TRUE(DotMeets(kL, 0, 0, 4, 1));
  SpriteReset(engine(), kL);
  EXPECT_EQ(engine().alphaMasks[kL], nullptr);
}

TEST_F(SpriteCollisionTest, MaskFollowsTheRealTextureOfAScreenSprite) {
  // A screen 2 x 8 pixels on a 16 x 16 texture: drawing into it shows in
  // the mask at the picture's own rows.
  ASSERT_EQ(ScreenCreate(engine(), 0, kSquare, 2, 8), 1);
  ScreenUse(engine(), 0);
  Fill(1, 2, 1, 1, 1, 1, 1);
  ScreenEndCurrent(engine());
  MakeSprite(kDot, kDotShape);
  const int32_t cases[][3] = {{1, 2, 1}, {0, 2, 0}, {1, 1, 0}, {1, 3, 0}, {1, 5, 0}, {0, 5, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(DotMeets(kSquare, 0, 0, c[0], c[1]), c[2] != 0) << c[0] << "," << c[1];
  }
}

TEST_F(SpriteCollisionTest, MaskReadIgnoresPackingLeftByOthers) {
  MakeSprite(kL, kLShape);
  MakeSprite(kDot, kDotShape);
  glPixelStorei(GL_PACK_ALIGNMENT, 8);
  glPixelStorei(GL_PACK_ROW_LENGTH, 40);
  glPixelStorei(GL_PACK_SKIP_ROWS, 2);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 3);
  EXPECT_TRUE(DotMeets(kL, 0, 0, 0, 0));
  EXPECT_TRUE(DotMeets(kL, 0, 0, 4, 4));
  EXPECT_FALSE(DotMeets(kL, 0, 0, 4, 0));
}

TEST_F(SpriteCollisionTest, HostileInputsNeverReadOutsideAMask) {
  MakeSquare(kSquare);
  MakeSprite(kDot, kDotShape);
  // A 6 x 6 sprite whose 16 x 16 texture is opaque all over: the texels
  // beyond the picture must not count. 4 x 4 frames, one to a row: frame
  // 1 half inside the picture, frame 2 wholly outside.
  ImageBuffer framed = BlankPicture(6, 6);
  MakeSprite(kStrip, framed);
  FillTexture(kStrip, 0xFF);
  SpriteRecord& strip = engine().sprites[kStrip];
  strip.frameWidth = 4;
  strip.frameHeight = 4;
  // A sprite whose record grew after its mask was read.
  constexpr int32_t kGrown = 5;
  MakeSquare(kGrown);
  ASSERT_TRUE(SpriteAlphaMask(engine(), kGrown));
  engine().sprites[kGrown].imageWidth = 300;
  engine().sprites[kGrown].imageHeight = 300;
  engine().sprites[kGrown].textureWidth = 512;
  engine().sprites[kGrown].textureHeight = 512;

  struct SpriteCase {
    const char* what;
    int32_t a, b, ax, ay, bx, by;
    bool collide;
  };
  const SpriteCase spriteCases[] = {
      {"sprite -1", -1, kSquare, 0, 0, 0, 0, false},
      {"sprite 65536", kSquare, 65536, 0, 0, 0, 0, false},
      {"sprite 70000, beyond the table", 70000, kSquare, 0, 0, 0, 0, false},
      {"sprite INT32_MIN", INT32_MIN, kSquare, 0, 0, 0, 0, false},
      {"free sprite", 9, kSquare, 0, 0, 0, 0, false},
      {"both at INT32_MAX", kSquare, kSquare, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, true},
      {"opposite ends", kSquare, kSquare, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, false},
      {"grown record, beyond its mask", kGrown, kSquare, 0, 0, 100, 100, false},
  };
  for (const SpriteCase& c : spriteCases) {
    EXPECT_EQ(SpriteCollision(engine(), c.a, c.b, c.ax, c.ay, c.bx, c.by), c.collide) << c.what;
  }

  // Frame of the framed sprite at (x, y) against the square at (sx, sy).
  struct FrameCase {
    const char* what;
    int16_t frameWidth, frameHeight;
    int32_t frame, x, y, sx, sy;
    bool collide;
  };
  const FrameCase frameCases[] = {
      {"frame 0", 4, 4, 0, 0, 0, 0, 0, true},
      {"frame 1, rows in the picture", 4, 4, 1, 0, 0, 0, 0, true},
      {"frame 1, rows beyond the picture", 4, 4, 1, 0, 0, 0, 2, false},
      {"frame 2, beyond the picture", 4, 4, 2, 0, 0, 0, 0, false},
      {"frame -1", 4, 4, -1, 0, 0, 0, 0, false},
      {"frame INT32_MIN", 4, 4, INT32_MIN, INT32_MAX, 0, INT32_MAX, 0, false},
      {"frame INT32_MAX", 4, 4, INT32_MAX, 0, INT32_MIN, 0, INT32_MIN, false},
      {"wide frame, columns in the picture", 40, 4, 0, 0, 0, 4, 0, true},
      {"wide frame, columns beyond the picture", 40, 4, 0, 0, 0, 8, 0, false},
      {"frame height 0", 4, 0, 0, 0, 0, 0, 0, false},
      {"negative frame size", -4, -4, 3, 0, 0, -2, -2, false},
  };
  for (const FrameCase& c : frameCases) {
    strip.frameWidth = c.frameWidth;
    strip.frameHeight = c.frameHeight;
    EXPECT_EQ(AnimCollision(engine(), kStrip, c.frame, c.x, c.y, kSquare, 0, c.sx, c.sy), c.collide)
        << c.what;
  }

  // Rectangles given directly: only their points count.
  EXPECT_FALSE(SpriteMaskOverlap(engine(), kSquare, 0, 0, kSquare, 0, 0, 16, 16, 0, 0));
  EXPECT_FALSE(SpriteMaskOverlap(engine(), kSquare, 0, 0, kSquare, 0, 0, 0, 0, INT64_MAX, 16));
  EXPECT_TRUE(SpriteMaskOverlap(engine(), kSquare, 0, 0, kDot, 14, 14, -50, -50, 50, 50));
  EXPECT_FALSE(SpriteAlphaMask(engine(), 9));
  EXPECT_EQ(engine().alphaMasks[9], nullptr);
}

}  // namespace
