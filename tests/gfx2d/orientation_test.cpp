// Window pixels, screen points and movements under the four orientations.
#include <gtest/gtest.h>

#include <cstdint>

#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"

namespace {

TEST(OrientationTest, TransformsAndTheirInverse) {
  OpenGLDodevudi engine;
  engine.screenWidth = 640;
  engine.screenHeight = 480;
  const struct {
    int orientation;
    int sx, sy;    // screen point of window pixel (10, 20)
    int ddx, ddy;  // OrientDelta of (3, 5)
  } cases[] = {
      {0, 10, 20, 3, 5},
      {1, 20, 629, -5, 3},
      {2, 629, 459, -3, -5},
      {3, 459, 10, 5, -3},
  };
  for (const auto& c : cases) {
    engine.orientation = c.orientation;
    int32_t x = 0;
    int32_t y = 0;
    ScreenPointFromWindow(engine, 10, 20, &x, &y);
    EXPECT_EQ(x, c.sx) << c.orientation;
    EXPECT_EQ(y, c.sy) << c.orientation;
    int32_t wx = 0;
    int32_t wy = 0;
    OrientPoint(engine, x, y, &wx, &wy);
    EXPECT_EQ(wx, 10) << c.orientation;
    EXPECT_EQ(wy, 20) << c.orientation;
    OrientDelta(engine, 3, 5, &x, &y);
    EXPECT_EQ(x, c.ddx) << c.orientation;
    EXPECT_EQ(y, c.ddy) << c.orientation;
  }
  // At 90 degrees window pixel (0, 0) is screen point (0, 639).
  engine.orientation = 1;
  int32_t x = 0;
  int32_t y = 0;
  ScreenPointFromWindow(engine, 0, 0, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 639);
}

TEST(OrientationTest, ExtremeProgramValuesWrapInsteadOfOverflowing) {
  OpenGLDodevudi engine;
  engine.screenWidth = 640;
  engine.screenHeight = 480;
  for (int orientation = 0; orientation < 4; ++orientation) {
    engine.orientation = orientation;
    int32_t x = 0;
    int32_t y = 0;
    OrientPoint(engine, INT32_MIN, INT32_MAX, &x, &y);
    ScreenPointFromWindow(engine, INT32_MIN, INT32_MIN, &x, &y);
    OrientDelta(engine, INT32_MIN, INT32_MIN, &x, &y);
  }
  engine.orientation = 2;
  int32_t x = 0;
  int32_t y = 0;
  OrientDelta(engine, INT32_MIN, 5, &x, &y);
  EXPECT_EQ(x, INT32_MIN);
  EXPECT_EQ(y, -5);
}

TEST(EngineObjectTest, FreshObjectHasItsDefaults) {
  OpenGLDodevudi engine;
  for (int i = 0; i < kSpriteCount; ++i) ASSERT_EQ(engine.sprites[i].imageWidth, 0) << i;
  EXPECT_EQ(engine.currentScreen, -1);
  EXPECT_EQ(engine.smoothing, 1);
  EXPECT_EQ(engine.clearColourOn, 1);
  EXPECT_EQ(engine.depthClearPending, 1);
  EXPECT_EQ(engine.spriteColourKey, 0x008000FFu);
  EXPECT_EQ(engine.fontColourKey, 0u);
  EXPECT_EQ(engine.window, nullptr);
  EXPECT_EQ(engine.vertices.step, 128);
  EXPECT_EQ(engine.vertices.first, 512);
  for (const FboRecord& screen : engine.screens) {
    EXPECT_EQ(screen.savedBinding, -1);
    EXPECT_EQ(screen.sprite, -1);
  }
  EXPECT_EQ(engine.backgrounds[0].columns, 0);
}

TEST(EngineObjectTest, BackupFileNameIsFixedPerProcessAndRemovedByTheObject) {
  std::string name;
  {
    OpenGLDodevudi first;
    name = TempTextureFileName(first);
    OpenGLDodevudi second;
    EXPECT_EQ(TempTextureFileName(second), name);
    EXPECT_NE(name.find("/vnltxs"), std::string::npos);
    EXPECT_EQ(name.substr(name.size() - 4), ".bin");
    FILE* stale = std::fopen(name.c_str(), "w");
    ASSERT_NE(stale, nullptr);
    std::fclose(stale);
  }
  EXPECT_EQ(std::fopen(name.c_str(), "r"), nullptr);  // the destructor removed it
}

}  // namespace
