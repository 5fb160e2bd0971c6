// The quad batch: a mixed scene drawn batched and quad by quad gives the
// same frame byte for byte in every orientation, a frame of sprites of one
// texture is one draw call, and the state caches make no call for what is
// already set.
#include "gfx2d/quad_batch.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/primitives.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_slots.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr int32_t kOpaque = 1;    // 8 x 8, every pixel opaque
constexpr int32_t kSheet = 2;     // 12 x 8 of 4 x 4 frames, alpha varying
constexpr int32_t kLarge = 3;     // 16 x 16, alpha varying
constexpr int32_t kTarget = 4;    // the offscreen screen's picture
constexpr int32_t kFont = 0;
constexpr int32_t kScreen = 0;
constexpr uint32_t kKey = 0x008000FF;  // the default sprite colour key

using Frame = std::vector<uint8_t>;

class QuadBatchTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    const struct {
      int32_t sprite;
      ImageBuffer picture;
    } pictures[] = {
        {kOpaque, OpaquePatternPicture(8, 8, 3)},
        {kSheet, PatternPicture(12, 8, 5)},
        {kLarge, PatternPicture(16, 16, 7)},
    };
    for (const auto& p : pictures) {
      ImageBuffer picture = p.picture;
      ASSERT_TRUE(SpriteFromImage(engine(), p.sprite, picture, 0, false));
      ImageBufferRelease(picture);
    }
    SetSpriteAnimSize(engine(), kSheet, 4, 4);
    FontBuildDefault(engine(), kFont);
    ASSERT_EQ(ScreenCreate(engine(), kScreen, kTarget, 16, 12), 1);
  }
  void TearDown() override {
    QuadBatchSetLimit(kQuadBatchLimit);
    SpriteTest::TearDown();
  }

  // Every kind of quad, with the state changes between them that a frame
  // of a game makes.
  void DrawScene() {
    OpenGLDodevudi& e = engine();
    ScreenUse(e, kScreen);
    DrawFilledRect(e, 0, 0, 16, 12, 0x00203040);
    DrawSprite(e, kOpaque, 2, 2);
    PrintText(e, kFont, "Hi", 3.0, 3.0, 0.0f, false);
    ScreenUse(e, -1);

    SetSmoothing(e, 0);
    DrawSprite(e, kOpaque, 1, 1);
    DrawSprite(e, kOpaque, 10, 3);
    DrawSprite(e, kLarge, 20, 2);
    DrawSprite(e, kOpaque, 14, 6);
    GfxSetBlendMode(-0.5);
    DrawSprite(e, kSheet, 5, 12);
    StretchSprite(e, kOpaque, 30, 5, 13, 7);
    GfxSetBlendMode(0.7);
    DrawAnim(e, kSheet, 2, 40, 10);
    StretchAnim(e, kSheet, 5, 44, 20, 9, 6);
    GfxSetBlendMode(0.0);
    DrawSprite(e, kLarge, 0, 20);  // queued under the matrix the turn changes
    RotoZoomSprite(e, kLarge, 3, 25, 30.0f, 1.5f);
    RotoZoomAnim(e, kSheet, 1, 50, 30, -45.0f, 2.0f);
    SetSmoothing(e, 1);
    RotoZoomAnim(e, kSheet, 4, 10, 34, 17.0f, 0.75f);
    StretchSprite(e, kLarge, 48, 0, 16, 9);
    DrawSprite(e, kLarge, 36, 14);
    GfxSetBlendMode(-1.0);
    DrawFilledRect(e, 2, 30, 9, 5, 0x00FF8040);
    DrawFilledRect(e, 5, 32, 6, -4, static_cast<int32_t>(kKey));  // transparent
    DrawSprite(e, kOpaque, 56, 40);
    DrawFilledRect(e, 20, 34, 12, 6, 0x0040FF40);  // under the line, queued
    DrawLine(e, 0, 47, 63, 20, 0x0000FFFF);
    DrawFilledRect(e, 58, 0, 6, 5, 0x00404040);  // under the pixel, queued
    PlotPixel(e, 60, 2, 0x00FFFFFF);
    PrintText(e, kFont, "Ab1", 12.0, 38.0, 0.0f, false);
    GfxSetBlendMode(0.5);
    PrintText(e, kFont, "xY", 30.0, 40.0, 0.0f, true);
    SetAlphaTest(e, 0.4f);
    DrawSprite(e, kLarge, 33, 25);
    DrawAnim(e, kSheet, 0, 26, 22);
    SetAlphaTest(e, 1.0f);
    GfxSetBlendMode(-0.75);
    PolyBatchBegin(e, kOpaque, 0);
    PolyBatchAddVertex(e, 40, 40, 0, 0, 0xFFFFFF);
    PolyBatchAddVertex(e, 48, 40, 8, 0, 0x00FF00);
    PolyBatchAddVertex(e, 48, 47, 8, 8, static_cast<int32_t>(kKey));
    PolyBatchAddVertex(e, 40, 47, 0, 8, 0xFFFFFF);
    PolyBatchDraw(e);
    DrawSprite(e, kOpaque, 42, 36);
    GfxSetBlendMode(-1.0);
    DrawSprite(e, kTarget, 46, 28);
    SetSmoothing(e, 0);
    DrawSprite(e, kTarget, 0, 16);
  }

  // The scene in one orientation, read back after the batch is drawn.
  Frame SceneFrame(int32_t orientation) {
    engine().orientation = orientation;
    Reset2DState(engine());
    ClearWindow(0x102030);
    DrawScene();
    QuadBatchFlush();
    Frame frame(static_cast<size_t>(kWidth) * kHeight * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    engine().orientation = 0;
    return frame;
  }
};

std::string FirstDifference(const Frame& a, const Frame& b, int width) {
  for (size_t i = 0; i < a.size(); i += 4) {
    for (size_t c = 0; c < 4; ++c) {
      if (a[i + c] == b[i + c]) continue;
      char text[96];
      const int pixel = static_cast<int>(i / 4);
      std::snprintf(text, sizeof(text), "window pixel %d,%d from the bottom: %02x%02x%02x%02x vs %02x%02x%02x%02x",
                    pixel % width, pixel / width, a[i], a[i + 1], a[i + 2], a[i + 3], b[i], b[i + 1], b[i + 2],
                    b[i + 3]);
      return text;
    }
  }
  return "";
}

TEST_F(QuadBatchTest, MixedSceneIsTheSameBatchedAndQuadByQuad) {
  for (int32_t orientation = 0; orientation < 4; ++orientation) {
    QuadBatchSetLimit(1);
    const int64_t before = QuadBatchDrawCount();
    const Frame single = SceneFrame(orientation);
    const int64_t singleDraws = QuadBatchDrawCount() - before;
    QuadBatchSetLimit(kQuadBatchLimit);
    const Frame batched = SceneFrame(orientation);
    const int64_t batchedDraws = QuadBatchDrawCount() - before - singleDraws;
    EXPECT_EQ(FirstDifference(single, batched, kWidth), "") << "orientation " << orientation;
    EXPECT_LT(batchedDraws, singleDraws) << "orientation " << orientation << ": the scene was batched";
    bool drawn = false;
    for (size_t i = 0; i < batched.size(); i += 4) drawn = drawn || batched[i] != 0x10;
    EXPECT_TRUE(drawn) << "orientation " << orientation << ": the scene shows";
  }
}

TEST_F(QuadBatchTest, FrameOfSpritesOfOneTextureIsOneDrawCall) {
  SetSmoothing(engine(), 0);
  ClearWindow(0x000000);
  QuadBatchFlush();
  const int64_t before = QuadBatchDrawCount();
  constexpr int kSprites = 2000;
  for (int i = 0; i < kSprites; ++i) {
    DrawSprite(engine(), kOpaque, (i * 7) % (kWidth - 8), (i * 13) % (kHeight - 8));
    SetSmoothing(engine(), 0);  // set again each time, as a program does
  }
  EXPECT_EQ(QuadBatchDrawCount(), before) << "nothing drawn before the frame ends";
  QuadBatchFlush();
  EXPECT_EQ(QuadBatchDrawCount(), before + 1);
  // More quads than the batch holds: drawn whenever it is full.
  for (int i = 0; i < kQuadBatchLimit * 2 + 1; ++i) DrawSprite(engine(), kOpaque, 0, 0);
  QuadBatchFlush();
  EXPECT_EQ(QuadBatchDrawCount(), before + 4);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A value set through a cache is set behind its back; the same value given
// again must not reach OpenGL, and after the cache is invalidated it must.
TEST_F(QuadBatchTest, CachesMakeNoCallForWhatIsSet) {
  ASSERT_NE(g_glext.glActiveTextureARB, nullptr) << "the test context has two texture units";
  const GLuint texture = engine().sprites[kOpaque].texture;
  const GLuint other = engine().sprites[kLarge].texture;
  const struct {
    const char* name;
    void (*set)(GLuint texture, GLuint other);  // through the cache
    void (*behind)(GLuint texture, GLuint other);
    GLint (*read)(GLuint texture);
    GLint cached;  // the value the cache keeps
  } cases[] = {
      {"unit switch", [](GLuint, GLuint) { GlActiveUnitCached(0); },
       [](GLuint, GLuint) { g_glext.glActiveTextureARB(GL_TEXTURE1_ARB); },
       [](GLuint) {
         GLint unit = 0;
         glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
         g_glext.glActiveTextureARB(GL_TEXTURE0_ARB);
         return unit;
       },
       GL_TEXTURE0_ARB},
      {"bind", [](GLuint t, GLuint) { GlBindTextureCached(t); },
       [](GLuint, GLuint o) { glBindTexture(GL_TEXTURE_2D, o); },
       [](GLuint) {
         GLint bound = 0;
         glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
         return bound;
       },
       -1},
      {"texturing", [](GLuint, GLuint) { GlUnitTexturingCached(0, true); },
       [](GLuint, GLuint) { glDisable(GL_TEXTURE_2D); },
       [](GLuint) { return static_cast<GLint>(glIsEnabled(GL_TEXTURE_2D)); }, GL_TRUE},
      {"filter", [](GLuint t, GLuint) {
         GlBindTextureCached(t);
         GlTexParameterCached(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
       },
       [](GLuint, GLuint) { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST); },
       [](GLuint) {
         GLint value = 0;
         glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
         return value;
       },
       GL_LINEAR},
      {"wrap", [](GLuint t, GLuint) {
         GlBindTextureCached(t);
         GlTexParameterCached(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
       },
       [](GLuint, GLuint) { glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT); },
       [](GLuint) {
         GLint value = 0;
         glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
         return value;
       },
       GL_CLAMP_TO_EDGE},
      {"blend function", [](GLuint, GLuint) { GlBlendFuncCached(GL_SRC_ALPHA, GL_ONE); },
       [](GLuint, GLuint) { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); },
       [](GLuint) {
         GLint value = 0;
         glGetIntegerv(GL_BLEND_DST, &value);
         return value;
       },
       GL_ONE},
      {"alpha function", [](GLuint, GLuint) { GlAlphaFuncCached(GL_GREATER, 0.25f); },
       [](GLuint, GLuint) { glAlphaFunc(GL_LESS, 0.25f); },
       [](GLuint) {
         GLint value = 0;
         glGetIntegerv(GL_ALPHA_TEST_FUNC, &value);
         return value;
       },
       GL_GREATER},
  };
  for (const auto& c : cases) {
    GlStateInvalidate();
    GlActiveUnitCached(0);
    c.set(texture, other);
    const GLint cached = c.cached == -1 ? static_cast<GLint>(texture) : c.cached;
    c.behind(texture, other);
    c.set(texture, other);
    EXPECT_NE(c.read(texture), cached) << c.name << ": a cached value must make no call";
    GlStateInvalidate();
    GlActiveUnitCached(0);
    c.set(texture, other);
    EXPECT_EQ(c.read(texture), cached) << c.name << ": after invalidating, the call is made";
  }
  GlStateInvalidate();
}

// Drawing a sprite twice in a row visits unit 1 only when its state
// changes: with unit 1 off and unit 0 active, no unit switch is made.
TEST_F(QuadBatchTest, DrawingTheSameSpriteAgainLeavesTheUnitsAlone) {
  ASSERT_NE(g_glext.glActiveTextureARB, nullptr) << "the test context has two texture units";
  DrawSprite(engine(), kOpaque, 0, 0);
  // Behind the cache's back: unit 1 active, with texturing on.
  g_glext.glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_2D);
  DrawSprite(engine(), kOpaque, 4, 4);
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  const bool unit1On = glIsEnabled(GL_TEXTURE_2D) != 0;
  glDisable(GL_TEXTURE_2D);
  g_glext.glActiveTextureARB(GL_TEXTURE0_ARB);
  QuadBatchDiscard();
  EXPECT_EQ(unit, GL_TEXTURE1_ARB) << "no unit switch for the same sprite";
  EXPECT_TRUE(unit1On);
}

}  // namespace
