// Render state, the state cache, viewport and orientation, and the
// frame-start clear, read back from the pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/frame_clear.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/primitives.h"
#include "gfx2d/render_state.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"
#include "tests/support/gl_fixture.h"

namespace {

class RenderStateTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    engine_.screenWidth = kWidth;
    engine_.screenHeight = kHeight;
    engine_.context = PlatformWindowContext(window_);  // the window stays the fixture's
    g_app.engine2d = &engine_;
    GlColorCacheInvalidate();
    Reset2DState(engine_);
  }
  void TearDown() override {
    g_app.engine2d = nullptr;
    GlTest::TearDown();
  }
  void ClearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  GLint Integer(GLenum what) {
    GLint value = 0;
    glGetIntegerv(what, &value);
    return value;
  }

  OpenGLDodevudi engine_;  // drawing through the fixture's window
};

TEST_F(RenderStateTest, CacheSwitchesOnlyWhenTheEntryDiffers) {
  GlStateEnable(GL_FOG);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  EXPECT_EQ(GlStateCached(GL_FOG), 1);
  glDisable(GL_FOG);  // behind the cache's back
  GlStateEnable(GL_FOG);
  EXPECT_FALSE(glIsEnabled(GL_FOG)) << "a cached enable must make no call";
  GlStateInvalidate();
  EXPECT_NE(GlStateCached(GL_FOG), 1);
  EXPECT_NE(GlStateCached(GL_FOG), 0);
  GlStateEnable(GL_FOG);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GlStateDisable(GL_FOG);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  EXPECT_EQ(GlStateIndex(GL_TEXTURE_2D), -1);  // per texture unit: never cached
}

TEST_F(RenderStateTest, BlendModes) {
  const struct {
    double v;
    bool blend;
    GLint destination;
    float alpha;
  } cases[] = {
      {-0.5, true, GL_ONE_MINUS_SRC_ALPHA, 0.5f},
      {3.0, true, GL_ONE, 1.0f},
      {0.25, true, GL_ONE, 0.25f},
      {-7.0, true, GL_ONE_MINUS_SRC_ALPHA, 1.0f},
      {0.0, false, -1, 1.0f},
  };
  for (const auto& c : cases) {
    GfxSetBlendMode(c.v);
    EXPECT_EQ(glIsEnabled(GL_BLEND) != 0, c.blend) << c.v;
    if (c.blend) {
      EXPECT_EQ(Integer(GL_BLEND_SRC), GL_SRC_ALPHA) << c.v;
      EXPECT_EQ(Integer(GL_BLEND_DST), c.destination) << c.v;
    }
    EXPECT_FLOAT_EQ(engine_.currentAlpha, c.alpha) << c.v;
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], c.alpha) << c.v;
  }
}

// The blend mode and the drawing operations set the one current colour:
// the frame reset must put it back to white at alpha 1 whatever set it,
// and the same blend mode given again in the next frame must set its alpha
// again, with or without a rectangle drawn in between.
TEST_F(RenderStateTest, BlendAlphaAndTheFrameResetAlwaysReachTheColour) {
  const auto alpha = [] {
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return colour[3];
  };
  for (const bool rectangle : {false, true, false}) {
    GfxSetBlendMode(-0.5);
    EXPECT_FLOAT_EQ(alpha(), 0.5f) << "blend mode, rectangle " << rectangle;
    if (rectangle) DrawFilledRect(engine_, 0, 0, 4, 4, 0x0000FF);
    EXPECT_FLOAT_EQ(alpha(), 0.5f) << "after drawing, rectangle " << rectangle;
    ResetRenderState2D();
    EXPECT_FLOAT_EQ(alpha(), 1.0f) << "frame reset, rectangle " << rectangle;
  }
}

TEST_F(RenderStateTest, ClearColourClearsAtOnceAndMinusOneKeepsThePicture) {
  ClearTo(0, 0, 0);
  SetClearColour(engine_, 0x00FF0000);  // blue in 0x00BBGGRR
  EXPECT_EQ(engine_.clearColourOn, 1);
  EXPECT_EQ(PixelAt(3, 3), 0x0000FFu);

  Fill(0, 0, 10, 10, 1, 0, 0);
  engine_.depthClearPending = 0;
  SetClearColour(engine_, -1);
  ClearScreen(engine_);
  EXPECT_EQ(PixelAt(3, 3), 0xFF0000u) << "the last picture stays";

  SetClearColour(engine_, 0x0000FF00);
  Fill(0, 0, 10, 10, 1, 0, 0);
  ClearScreen(engine_);
  EXPECT_EQ(PixelAt(3, 3), 0x00FF00u) << "cleared at the frame start";
}

TEST_F(RenderStateTest, DepthIsClearedOnlyWhenPending) {
  SetClearColour(engine_, -1);
  glClearDepth(0.25);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  engine_.depthClearPending = 1;
  ClearScreen(engine_);
  EXPECT_EQ(engine_.depthClearPending, 0);
  GLfloat depth = 0;
  glReadPixels(1, 1, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_FLOAT_EQ(depth, 1.0f);
}

TEST_F(RenderStateTest, BackgroundZeroIsDrawnInsteadOfTheColourClear) {
  // A 16 x 16 green tile texture holding an 8 x 8 image at (0, 0).
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  unsigned char green[16 * 16 * 4];
  for (int i = 0; i < 16 * 16; ++i) {
    green[i * 4] = 0;
    green[i * 4 + 1] = 255;
    green[i * 4 + 2] = 0;
    green[i * 4 + 3] = 255;
  }
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, green);
  BackgroundSlot& slot = engine_.backgrounds[0];
  slot.tileTexture[0] = texture;
  slot.tileTextureWidth[0] = 16;
  slot.tileTextureHeight[0] = 16;
  slot.tileImageWidth[0] = 8;
  slot.tileImageHeight[0] = 8;
  slot.columns = 1;
  slot.rows = 1;

  ClearTo(1, 0, 0);
  SetClearColour(engine_, 0x00FF0000);  // clears blue at once
  GfxSetBlendMode(-0.5);
  ClearScreen(engine_);
  EXPECT_EQ(PixelAt(2, 2), 0x00FF00u) << "the tile";
  EXPECT_EQ(PixelAt(20, 20), 0x0000FFu) << "no colour clear beside it";
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FLOAT_EQ(engine_.currentAlpha, 1.0f);

  GfxClearScreen(0);  // drops the background, clears black
  EXPECT_EQ(slot.columns, 0);
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_EQ(PixelAt(2, 2), 0x000000u);
}

TEST_F(RenderStateTest, AlphaTestThresholds) {
  SetAlphaTest(engine_, 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_GREATER);
  EXPECT_FLOAT_EQ(engine_.alphaTestThreshold, 0.0f);
  SetAlphaTest(engine_, 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  SetAlphaTest(engine_, 0.5f);
  SetAlphaTest(engine_, 2.0f);
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_FLOAT_EQ(engine_.alphaTestThreshold, 1.0f);
}

TEST_F(RenderStateTest, ViewportMapsScreenCoordinatesFromTheTopLeft) {
  ClearTo(0, 0, 0);
  SetViewportProjection(engine_, 10, 8, 20, 16);
  const ViewportRect rect = GetViewport(engine_);
  EXPECT_EQ(rect.x, 10);
  EXPECT_EQ(rect.y, 8);
  EXPECT_EQ(rect.width, 20);
  EXPECT_EQ(rect.height, 16);
  Fill(0, 0, 4, 4, 1, 1, 1);
  EXPECT_EQ(PixelAt(11, 9), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(5, 5), 0x000000u);

  SetViewportProjection(engine_, 5, 5, 0, 7);  // whole surface
  const ViewportRect whole = GetViewport(engine_);
  EXPECT_EQ(whole.x, 0);
  EXPECT_EQ(whole.y, 0);
  EXPECT_EQ(whole.width, kWidth);
  EXPECT_EQ(whole.height, kHeight);
}

TEST_F(RenderStateTest, OrientationTurnsTheWholeSurface) {
  const struct {
    int orientation;
    int wx, wy;  // window pixel of screen point (1, 1)
  } cases[] = {
      {0, 1, 1},
      {1, kWidth - 2, 1},
      {2, kWidth - 2, kHeight - 2},
      {3, 1, kHeight - 2},
  };
  for (const auto& c : cases) {
    engine_.orientation = c.orientation;
    SetViewportProjection(engine_, 0, 0, 0, 0);
    const ViewportRect whole = GetViewport(engine_);
    const bool turned = c.orientation == 1 || c.orientation == 3;
    EXPECT_EQ(whole.width, turned ? kHeight : kWidth);
    EXPECT_EQ(whole.height, turned ? kWidth : kHeight);
    ClearTo(0, 0, 0);
    Fill(0, 0, 3, 3, 1, 0, 0);
    EXPECT_EQ(PixelAt(c.wx, c.wy), 0xFF0000u) << c.orientation;
    EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2), 0x000000u) << c.orientation;
  }
}

TEST_F(RenderStateTest, ResetPutsTheTwoDimensionalDefaultsBack) {
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glShadeModel(GL_SMOOTH);
  engine_.smoothing = 0;
  engine_.currentAlpha = 0.3f;
  SetAlphaTest(engine_, 0.5f);
  ResetRenderState2D();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(Integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(Integer(GL_SHADE_MODEL), GL_FLAT);
  EXPECT_EQ(engine_.smoothing, 1);
  EXPECT_FLOAT_EQ(engine_.currentAlpha, 1.0f);
  EXPECT_EQ(engine_.boundSprite, -1);
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 1.0f);
  EXPECT_FLOAT_EQ(colour[3], 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

namespace {

using GlNewContextTest = GlTest;

TEST_F(GlNewContextTest, ACreatedContextIsWhiteAndTheColourCacheKnowsIt) {
  // The fixture's context is new: OpenGL's initial colour is white.
  GLfloat current[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, current);
  for (const GLfloat channel : current) EXPECT_EQ(channel, 1.0f);
  GlNewContextCreated();
  float cached[4] = {0, 0, 0, 0};
  GlCurrentColour(cached);
  for (const float channel : cached) EXPECT_EQ(channel, 1.0f);
  // A known white makes no call: a colour set behind the cache's back stays.
  glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_EQ(current[0], 0.5f);
  // On a context already drawn with, the colour is not known.
  GlNewContext();
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  glGetFloatv(GL_CURRENT_COLOR, current);
  EXPECT_EQ(current[0], 1.0f);
}

}  // namespace
