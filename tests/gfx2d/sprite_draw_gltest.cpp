// Sprite and animation-frame drawing, read back from the window: where
// each picture pixel lands, which frame of a sheet is drawn, and which
// textures end up on which texture unit.
#include "gfx2d/sprite_draw.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr uint32_t kBackground = 0x000000;
constexpr int32_t kSheet = 1;  // 12 x 8 picture of 4 x 4 frames, 3 a row

class SpriteDrawTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    picture_ = OpaquePatternPicture(12, 8, 21);
    ASSERT_TRUE(SpriteFromImage(engine(), kSheet, picture_, 0, false));
    SetSpriteAnimSize(engine(), kSheet, 4, 4);
    SetSmoothing(engine(), 0);
    ClearWindow(kBackground);
  }
  void TearDown() override {
    ImageBufferRelease(picture_);
    SpriteTest::TearDown();
  }

  // Expects every window pixel to show the picture pixel that source names
  // for it, or the background where it names none.
  void ExpectPicturePlaced(const std::function<bool(int x, int y, int* px, int* py)>& source,
                           const char* label) {
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                int px = 0;
                int py = 0;
                return source(x, y, &px, &py) ? PictureRgba(picture_, px, py) >> 8 : kBackground;
              }),
              "")
        << label;
  }

  ImageBuffer picture_;
};

// The window rectangle [x0, x0 + w) x [y0, y0 + h).
bool Inside(int x, int y, int x0, int y0, int w, int h) {
  return x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
}

TEST_F(SpriteDrawTest, PicturesAndFramesLandWhereTheyBelong) {
  using Source = std::function<bool(int x, int y, int* px, int* py)>;
  struct Case {
    const char* label;
    std::function<void(OpenGLDodevudi&)> draw;
    Source source;
  };
  const Case cases[] = {
      {"own size at 5,7", [](OpenGLDodevudi& e) { DrawSprite(e, kSheet, 5, 7); },
       [](int x, int y, int* px, int* py) {
         *px = x - 5;
         *py = y - 7;
         return Inside(x, y, 5, 7, 12, 8);
       }},
      {"stretched twice", [](OpenGLDodevudi& e) { StretchSprite(e, kSheet, 3, 4, 24, 16); },
       [](int x, int y, int* px, int* py) {
         *px = (x - 3) / 2;
         *py = (y - 4) / 2;
         return Inside(x, y, 3, 4, 24, 16);
       }},
      {"angle 0 zoom 1 as in its own size",
       [](OpenGLDodevudi& e) { RotoZoomSprite(e, kSheet, 5, 7, 0.0f, 1.0f); },
       [](int x, int y, int* px, int* py) {
         *px = x - 5;
         *py = y - 7;
         return Inside(x, y, 5, 7, 12, 8);
       }},
      // About the centre (26, 14), a quarter turn counter-clockwise: the
      // picture's top-left corner goes to the bottom-left.
      {"turned 90 degrees", [](OpenGLDodevudi& e) { RotoZoomSprite(e, kSheet, 20, 10, 90.0f, 1.0f); },
       [](int x, int y, int* px, int* py) {
         *px = 19 - y;
         *py = x - 22;
         return Inside(x, y, 22, 8, 8, 12);
       }},
      // Frame 4: row 1, column 1 of the sheet.
      {"frame 4", [](OpenGLDodevudi& e) { DrawAnim(e, kSheet, 4, 30, 20); },
       [](int x, int y, int* px, int* py) {
         *px = 4 + x - 30;
         *py = 4 + y - 20;
         return Inside(x, y, 30, 20, 4, 4);
       }},
      // Frame 2: row 0, column 2, twice its size.
      {"frame 2 stretched", [](OpenGLDodevudi& e) { StretchAnim(e, kSheet, 2, 10, 30, 8, 8); },
       [](int x, int y, int* px, int* py) {
         *px = 8 + (x - 10) / 2;
         *py = (y - 30) / 2;
         return Inside(x, y, 10, 30, 8, 8);
       }},
      // Frame 5: row 1, column 2, turned about its centre (42, 12).
      {"frame 5 turned 90 degrees",
       [](OpenGLDodevudi& e) { RotoZoomAnim(e, kSheet, 5, 40, 10, 90.0f, 1.0f); },
       [](int x, int y, int* px, int* py) {
         *px = 8 + 13 - y;
         *py = 4 + x - 40;
         return Inside(x, y, 40, 10, 4, 4);
       }},
      // Texture points count in picture pixels from the top-left.
      {"textured polygon batch",
       [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, kSheet, 0);
         PolyBatchAddVertex(e, 5, 7, 0, 0, 0xFFFFFF);
         PolyBatchAddVertex(e, 17, 7, 12, 0, 0xFFFFFF);
         PolyBatchAddVertex(e, 17, 15, 12, 8, 0xFFFFFF);
         PolyBatchAddVertex(e, 5, 15, 0, 8, 0xFFFFFF);
         PolyBatchDraw(e);
       },
       [](int x, int y, int* px, int* py) {
         *px = x - 5;
         *py = y - 7;
         return Inside(x, y, 5, 7, 12, 8);
       }},
  };
  for (const Case& c : cases) {
    ClearWindow(kBackground);
    c.draw(engine());
    ExpectPicturePlaced(c.source, c.label);
  }
}

TEST_F(SpriteDrawTest, FramesNeedAFrameSizeAndAreNotLimited) {
  const auto nothing = [](int, int, int*, int*) { return false; };
  const int16_t noFrames[][2] = {{0, 4}, {4, 0}};
  for (const auto& size : noFrames) {
    SetSpriteAnimSize(engine(), kSheet, size[0], size[1]);
    DrawAnim(engine(), kSheet, 0, 0, 0);
    StretchAnim(engine(), kSheet, 0, 0, 0, 20, 20);
    RotoZoomAnim(engine(), kSheet, 0, 10, 10, 30.0f, 2.0f);
    ExpectPicturePlaced(nothing, "no frame size");
  }
  // Whole-sheet drawing does not care.
  DrawSprite(engine(), kSheet, 0, 0);
  EXPECT_EQ(PixelAt(11, 7), PictureRgba(picture_, 11, 7) >> 8);

  // Any frame number and frame size is a position in the texture; none
  // leaves the integer range on the way.
  const int16_t sizes[][2] = {{4, 4}, {-12, 4}, {-1, -1}, {INT16_MIN, INT16_MAX}, {16, 4}};
  for (const auto& size : sizes) {
    SetSpriteAnimSize(engine(), kSheet, size[0], size[1]);
    for (const int32_t frame : {INT32_MIN, -1, 6, INT32_MAX}) {
      DrawAnim(engine(), kSheet, frame, 1, 1);
      StretchAnim(engine(), kSheet, frame, 1, 1, 3, 3);
      RotoZoomAnim(engine(), kSheet, frame, 1, 1, 45.0f, 1.0f);
    }
  }
}

TEST_F(SpriteDrawTest, NumbersOutsideTheTableDrawNothing) {
  for (const int32_t n : {-1, kSpriteCount, INT32_MAX, INT32_MIN}) {
    DrawSprite(engine(), n, 0, 0);
    StretchSprite(engine(), n, 0, 0, 10, 10);
    RotoZoomSprite(engine(), n, 0, 0, 10.0f, 2.0f);
    DrawAnim(engine(), n, 0, 0, 0);
    StretchAnim(engine(), n, 0, 0, 0, 10, 10);
    RotoZoomAnim(engine(), n, 0, 0, 0, 0.0f, 1.0f);
    SetSpriteAnimSize(engine(), n, 4, 4);
  }
  ExpectPicturePlaced([](int, int, int*, int*) { return false; }, "outside the table");
  // Far positions do not wrap onto the screen.
  DrawSprite(engine(), kSheet, INT32_MAX - 3, INT32_MAX - 3);
  StretchSprite(engine(), kSheet, INT32_MAX, 0, INT32_MAX, 10);
  ExpectPicturePlaced([](int, int, int*, int*) { return false; }, "far away");
}

// Which texture each unit holds after a bind, and whether it is on.
struct UnitState {
  bool enabled;
  GLint texture;
  GLint wrap;
};

UnitState Unit(GLenum unit) {
  g_glext.glActiveTextureARB(unit);
  UnitState state{glIsEnabled(GL_TEXTURE_2D) != 0, 0, 0};
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.texture);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &state.wrap);
  g_glext.glActiveTextureARB(GL_TEXTURE0_ARB);
  return state;
}

TEST_F(SpriteDrawTest, BindingPutsEachSpriteOnItsUnit) {
  ASSERT_NE(g_glext.glActiveTextureARB, nullptr) << "the test context has two texture units";
  ImageBuffer other = OpaquePatternPicture(4, 4, 5);
  ASSERT_TRUE(SpriteFromImage(engine(), 2, other, 0, false));
  ImageBufferRelease(other);
  const GLint t1 = static_cast<GLint>(engine().sprites[kSheet].texture);
  const GLint m1 = static_cast<GLint>(engine().sprites[kSheet].mipmappedTexture);
  const GLint t2 = static_cast<GLint>(engine().sprites[2].texture);
  GrowArray<uint32_t> table;
  table.Push(static_cast<uint32_t>(t2));
  table.Push(static_cast<uint32_t>(t1));

  constexpr GLint kOff = -1;  // unit disabled; its binding does not matter
  const struct {
    int32_t s, s2;
    uint32_t mip;
    const GrowArray<uint32_t>* table;
    GLint unit0, unit1;
  } cases[] = {
      {kSheet, -1, 0, nullptr, t1, kOff},
      {kSheet, 2, 0, nullptr, t2, t1},
      {kSheet, -1, 7, nullptr, m1, kOff},
      {0, 1, 0, &table, t1, t2},
      {2, -1, 0, &table, 0, kOff},           // an index beyond the table
      {kSpriteCount, -1, 0, nullptr, 0, kOff},  // beyond the sprite table
      {-1, 2, 0, nullptr, kOff, kOff},
  };
  for (const auto& c : cases) {
    SpriteBindTexture(engine(), c.s, c.s2, c.mip, c.table);
    EXPECT_EQ(BoundSpriteNumber(), c.s);
    EXPECT_EQ(engine().boundSprite, c.s);
    EXPECT_EQ(engine().boundSecondSprite, c.s2);
    EXPECT_EQ(engine().boundMipmapped, c.mip != 0 ? 1u : 0u);
    const UnitState unit0 = Unit(GL_TEXTURE0_ARB);
    const UnitState unit1 = Unit(GL_TEXTURE1_ARB);
    EXPECT_EQ(unit0.enabled, c.unit0 != kOff) << c.s << "," << c.s2;
    EXPECT_EQ(unit1.enabled, c.unit1 != kOff) << c.s << "," << c.s2;
    if (c.unit0 != kOff) {
      EXPECT_EQ(unit0.texture, c.unit0) << c.s << "," << c.s2;
    }
    if (c.unit1 != kOff) {
      EXPECT_EQ(unit1.texture, c.unit1) << c.s << "," << c.s2;
    }
    if (c.unit0 > 0) {
      EXPECT_EQ(unit0.wrap, GL_REPEAT) << c.s << "," << c.s2;
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SpriteDrawTest, WithOneTextureUnitOnlyTheFirstSpriteIsBound) {
  const auto saved = g_glext.glActiveTextureARB;
  g_glext.glActiveTextureARB = nullptr;
  GlStateDisable(GL_COLOR_MATERIAL);
  SpriteBindTexture(engine(), kSheet, 2, 0, nullptr);
  GLint texture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  const bool enabled = glIsEnabled(GL_TEXTURE_2D) != 0;
  SpriteBindTexture(engine(), -1, -1, 0, nullptr);
  const bool enabledAfter = glIsEnabled(GL_TEXTURE_2D) != 0;
  const bool colourMaterial = glIsEnabled(GL_COLOR_MATERIAL) != 0;
  g_glext.glActiveTextureARB = saved;
  EXPECT_EQ(texture, static_cast<GLint>(engine().sprites[kSheet].texture));
  EXPECT_TRUE(enabled);
  EXPECT_FALSE(enabledAfter);
  EXPECT_TRUE(colourMaterial);
}

TEST_F(SpriteDrawTest, EveryDrawSetsTheSmoothingOnTheSpritesTexture) {
  const uint32_t texture = engine().sprites[kSheet].texture;
  for (const uint8_t smoothing : {0, 1, 0}) {
    SetSmoothing(engine(), smoothing);
    DrawSprite(engine(), kSheet, 0, 0);
    SpriteBindTexture(engine(), -1, -1, 0, nullptr);
    GLint magnify = 0;
    GLint minify = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magnify);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minify);
    const GLint expected = smoothing != 0 ? GL_LINEAR : GL_NEAREST;
    EXPECT_EQ(magnify, expected);
    EXPECT_EQ(minify, expected);
  }
}

TEST_F(SpriteDrawTest, VertexArrayIsDrawnWithTheBoundSprite) {
  // Two triangles of the vertex array covering the picture at 5, 7.
  const SpriteRecord& s = engine().sprites[kSheet];
  const TexturedVertex corners[] = {{5, 7, 0, 0, s.vMax},  {5, 15, 0, 0, 0},
                                    {17, 7, 0, s.uMax, s.vMax}, {17, 15, 0, s.uMax, 0}};
  engine().vertices.Clear();
  FlushVertexArray(engine(), GL_TRIANGLE_STRIP);  // empty: nothing
  for (const TexturedVertex& v : corners) engine().vertices.Push(v);
  SpriteBindTexture(engine(), kSheet, -1, 0, nullptr);
  ApplySmoothingToTexture(engine());
  FlushVertexArray(engine(), GL_TRIANGLE_STRIP);
  ExpectPicturePlaced(
      [](int x, int y, int* px, int* py) {
        *px = x - 5;
        *py = y - 7;
        return Inside(x, y, 5, 7, 12, 8);
      },
      "vertex array");
  GLint array = 1;
  glGetIntegerv(GL_VERTEX_ARRAY, &array);
  EXPECT_EQ(array, 0);
}

}  // namespace
