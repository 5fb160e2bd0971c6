// Pixels, lines, filled rectangles and untextured polygon batches: exact
// extents read back from the window, the colour key, and the state the
// drawing leaves behind.
#include "gfx2d/primitives.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/render_state.h"
#include "tests/support/sprite_fixture.h"

namespace {

constexpr uint32_t kBackground = 0x000000;
constexpr int32_t kRed = 0x0000FF;    // 0x00BBGGRR
constexpr uint32_t kRedRgb = 0xFF0000;  // as the window reads back
constexpr int32_t kGreen = 0x00FF00;
constexpr uint32_t kGreenRgb = 0x00FF00;

struct Rect {
  int x, y, w, h;
  bool Holds(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

class PrimitivesTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    ClearWindow(kBackground);
  }
  // Every window pixel inside one of the rectangles has the colour, every
  // other one the background.
  void ExpectCovered(const std::vector<Rect>& covered, uint32_t rgb, const char* label) {
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                for (const Rect& r : covered) {
                  if (r.Holds(x, y)) return rgb;
                }
                return kBackground;
              }),
              "")
        << label;
  }
};

TEST_F(PrimitivesTest, ExtentsOfPixelsLinesAndRectangles) {
  struct Case {
    const char* label;
    std::function<void(OpenGLDodevudi&)> draw;
    std::vector<Rect> covered;
  };
  const Case cases[] = {
      {"pixel", [](OpenGLDodevudi& e) { PlotPixel(e, 10, 5, kRed); }, {{10, 5, 1, 1}}},
      {"corner pixels",
       [](OpenGLDodevudi& e) {
         PlotPixel(e, 0, 0, kRed);
         PlotPixel(e, kWidth - 1, kHeight - 1, kRed);
       },
       {{0, 0, 1, 1}, {kWidth - 1, kHeight - 1, 1, 1}}},
      {"line to the right", [](OpenGLDodevudi& e) { DrawLine(e, 3, 4, 12, 4, kRed); }, {{3, 4, 10, 1}}},
      {"line to the left", [](OpenGLDodevudi& e) { DrawLine(e, 12, 4, 3, 4, kRed); }, {{3, 4, 10, 1}}},
      {"line down", [](OpenGLDodevudi& e) { DrawLine(e, 7, 2, 7, 20, kRed); }, {{7, 2, 1, 19}}},
      {"line up", [](OpenGLDodevudi& e) { DrawLine(e, 7, 20, 7, 2, kRed); }, {{7, 2, 1, 19}}},
      {"line of one pixel", [](OpenGLDodevudi& e) { DrawLine(e, 9, 9, 9, 9, kRed); }, {{9, 9, 1, 1}}},
      {"rectangle", [](OpenGLDodevudi& e) { DrawFilledRect(e, 10, 10, 5, 3, kRed); }, {{10, 10, 5, 3}}},
      // x = 30, width -10: x becomes 21; y = 30, height -4: y becomes 27.
      {"rectangle of negative size", [](OpenGLDodevudi& e) { DrawFilledRect(e, 30, 30, -10, -4, kRed); },
       {{21, 27, 10, 4}}},
      {"rectangle of no size", [](OpenGLDodevudi& e) { DrawFilledRect(e, 30, 30, 0, 5, kRed); }, {}},
  };
  for (const Case& c : cases) {
    ClearWindow(kBackground);
    c.draw(engine());
    ExpectCovered(c.covered, kRedRgb, c.label);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PrimitivesTest, TheColourKeyDrawsTransparent) {
  constexpr int32_t kKey = 0x008000FF;
  const struct {
    uint32_t key;
    int32_t colour;
    uint32_t rgb;  // what lands; kBackground = nothing
  } cases[] = {
      {kDefaultSpriteColourKey, kKey, kBackground},
      {kDefaultSpriteColourKey, kRed, kRedRgb},
      {0xFFFFFFFF, kKey, 0xFF0080},   // no key: every colour draws
      {0xFFFFFFFF, -1, 0xFFFFFF},
      {0x0000FF, kRed, kBackground},  // red as the key
  };
  for (const auto& c : cases) {
    engine().spriteColourKey = c.key;
    for (int kind = 0; kind < 3; ++kind) {
      ClearWindow(kBackground);
      if (kind == 0) PlotPixel(engine(), 5, 5, c.colour);
      if (kind == 1) DrawLine(engine(), 5, 5, 5, 5, c.colour);
      if (kind == 2) DrawFilledRect(engine(), 5, 5, 1, 1, c.colour);
      EXPECT_EQ(PixelAt(5, 5), c.rgb) << std::hex << c.key << " " << c.colour << " kind " << kind;
    }
  }
}

TEST_F(PrimitivesTest, DrawingLeavesWhiteAtTheCurrentAlphaAndNoTexture) {
  GfxSetBlendMode(-0.5);
  DrawFilledRect(engine(), 0, 0, 4, 4, kGreen);
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 1.0f);
  EXPECT_FLOAT_EQ(colour[2], 1.0f);
  EXPECT_FLOAT_EQ(colour[3], 0.5f);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  // Half of green over black.
  const uint32_t half = PixelAt(1, 1);
  EXPECT_EQ(half & 0xFF00FF, 0u);
  EXPECT_NEAR(static_cast<int>(half >> 8), 128, 1);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

// A w x h rectangle at (x, y) as two triangles of a list, or as a fan.
void AddRectangle(OpenGLDodevudi& e, float x, float y, float w, float h, int32_t colour, bool list) {
  PolyBatchAddVertex(e, x, y, 0, 0, colour);
  PolyBatchAddVertex(e, x + w, y, 0, 0, colour);
  PolyBatchAddVertex(e, x + w, y + h, 0, 0, colour);
  if (list) {
    PolyBatchAddVertex(e, x, y, 0, 0, colour);
    PolyBatchAddVertex(e, x + w, y + h, 0, 0, colour);
  }
  PolyBatchAddVertex(e, x, y + h, 0, 0, colour);
}

TEST_F(PrimitivesTest, PolygonBatchModesAndJoinedStrips) {
  struct Case {
    const char* label;
    std::function<void(OpenGLDodevudi&)> build;
    std::vector<Rect> covered;
  };
  const Case cases[] = {
      {"fan", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, -1, 0);
         AddRectangle(e, 4, 6, 10, 5, kGreen, false);
       },
       {{4, 6, 10, 5}}},
      {"triangles", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, -1, 1);
         AddRectangle(e, 4, 6, 10, 5, kGreen, true);
       },
       {{4, 6, 10, 5}}},
      // Two quads in one strip, joined by triangles without area: the gap
      // between them stays empty.
      {"joined strip", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, -1, 2);
         for (const float x : {2.0f, 30.0f}) {
           PolyBatchNewStrip();
           PolyBatchAddVertex(e, x, 10, 0, 0, kGreen);
           PolyBatchAddVertex(e, x, 20, 0, 0, kGreen);
           PolyBatchAddVertex(e, x + 8, 10, 0, 0, kGreen);
           PolyBatchAddVertex(e, x + 8, 20, 0, 0, kGreen);
         }
       },
       {{2, 10, 8, 10}, {30, 10, 8, 10}}},
      {"no such mode", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, -1, 3);
         AddRectangle(e, 4, 6, 10, 5, kGreen, false);
       },
       {}},
      {"sprite beyond the table", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, kSpriteCount, 0);
         AddRectangle(e, 4, 6, 10, 5, kGreen, false);
       },
       {}},
      {"key colour", [](OpenGLDodevudi& e) {
         PolyBatchBegin(e, -1, 0);
         AddRectangle(e, 4, 6, 10, 5, static_cast<int32_t>(kDefaultSpriteColourKey), false);
       },
       {}},
  };
  for (const Case& c : cases) {
    ClearWindow(kBackground);
    c.build(engine());
    PolyBatchDraw(engine());
    ExpectCovered(c.covered, kGreenRgb, c.label);
    // Vertex colours were used: the state is flat and white again.
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT) << c.label;
    EXPECT_FALSE(glIsEnabled(GL_DITHER)) << c.label;
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1] + colour[0] + colour[2] + colour[3], 4.0f) << c.label;
  }
}

TEST_F(PrimitivesTest, NewStripJoinsOnceAndOnlyAfterAVertex) {
  PolyBatchBegin(engine(), -1, 2);
  PolyBatchNewStrip();
  EXPECT_EQ(PolyBatchCount(), 0);
  for (int i = 0; i < 4; ++i) PolyBatchAddVertex(engine(), 1, 1, 0, 0, 0xFFFFFF);
  PolyBatchNewStrip();
  PolyBatchNewStrip();
  EXPECT_EQ(PolyBatchCount(), 5);
  PolyBatchAddVertex(engine(), 1, 1, 0, 0, 0xFFFFFF);
  EXPECT_EQ(PolyBatchCount(), 7);
  PolyBatchAddVertex(engine(), 1, 1, 0, 0, 0xFFFFFF);
  EXPECT_EQ(PolyBatchCount(), 8);
  PolyBatchBegin(engine(), -1, 2);
  EXPECT_EQ(PolyBatchCount(), 0);
}

TEST_F(PrimitivesTest, WhiteVerticesAtFullAlphaDrawUnshaded) {
  PolyBatchBegin(engine(), -1, 0);
  AddRectangle(engine(), 4, 6, 10, 5, 0xFFFFFF, false);
  glShadeModel(GL_FLAT);
  GlColorCached(0.0f, 1.0f, 0.0f, 1.0f);  // the colour in force is what draws
  PolyBatchDraw(engine());
  ExpectCovered({{4, 6, 10, 5}}, kGreenRgb, "white vertices");
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace
