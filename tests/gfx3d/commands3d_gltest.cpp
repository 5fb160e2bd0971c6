// The 3D commands' own state around drawing: what the 3D begin resets,
// culling around billboards, the debug drawing of collision tests, and
// the 2D quads queued around 3D drawing.
#include "gfx3d/commands3d.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <utility>

#include "gfx2d/image_buffer.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_slots.h"
#include "gfx3d/array_commands.h"
#include "gfx3d/mesh_build.h"
#include "process/app_globals.h"
#include "tests/support/engine3d_fixture.h"

namespace {

class Commands3DGlTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    g_app.debugMode = 0;
  }
  void TearDown() override {
    g_app.debugMode = 0;
    X3DResetTextures();
    Engine3DTest::TearDown();
  }

  // Window pixels of exactly that colour.
  int Count(uint32_t rgb) const {
    int n = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) n += PixelAt(x, y) == rgb ? 1 : 0;
    }
    return n;
  }
};

TEST_F(Commands3DGlTest, BeginResetsCullingLightsAndTextures) {
  X3DSetCulling(5);
  X3DSetTextures(3, 4);
  engine3d().lightsMask = 5;
  engine3d().shadowsOn = 1;
  X3DPosition(1, 2, 3);
  X3DBegin(1.0, 100.0, 90.0);
  EXPECT_EQ(g_x3dCommands.culling, 0);
  EXPECT_EQ(engine3d().cullingMode, 0);
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_EQ(g_x3dCommands.unitSprite[0], -1);
  EXPECT_EQ(g_x3dCommands.unitSprite[1], -1);
  EXPECT_EQ(engine3d().lightsMask, 0);
  EXPECT_EQ(engine3d().shadowsOn, 0);
  RtArray<double> model;
  X3DGetModelMatrix(model);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(model.data[i], i % 5 == 0 ? 1.0 : 0.0) << i;
}

TEST_F(Commands3DGlTest, BillboardsDrawWithoutCullingAndPutItBack) {
  X3DBegin(1.0, 100.0, 90.0);
  X3DSetCulling(-7);
  EXPECT_EQ(g_x3dCommands.culling, -1);
  EXPECT_EQ(engine3d().cullingMode, -1);
  X3DSetCulling(3);
  X3DDrawBillboard(0, 0, 0, -10, 1);
  EXPECT_EQ(engine3d().cullingMode, 1);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

// 2D quads queued before the 3D begin are drawn in 2D, where they were
// put; sprites drawn after the 3D part (and the frame's 2D reset) land
// right too, whatever the 3D drawing bound.
TEST_F(Commands3DGlTest, BatchedSpritesBeforeAndAfter3DLandWhereTheyBelong) {
  ImageBuffer picture = OpaquePatternPicture(8, 8, 9);
  ASSERT_TRUE(SpriteFromImage(engine(), 1, picture, 0, false));
  ImageBuffer other = OpaquePatternPicture(16, 16, 4);
  ASSERT_TRUE(SpriteFromImage(engine(), 2, other, 0, false));
  ImageBufferRelease(other);
  SetSmoothing(engine(), 0);
  ClearWindow(0x000000);
  DrawSprite(engine(), 1, 2, 3);
  X3DBegin(1.0, 100.0, 90.0);
  X3DSetTextures(2, -1);
  X3DDrawBillboard(2, 0, 0, -10, 1);
  Reset2DState(engine());
  SetSmoothing(engine(), 0);
  DrawSprite(engine(), 1, 50, 36);
  for (const auto& at : {std::pair<int, int>{2, 3}, std::pair<int, int>{50, 36}}) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        ASSERT_EQ(PixelAt(at.first + x, at.second + y), PictureRgba(picture, x, y) >> 8)
            << "sprite at " << at.first << "," << at.second << ", pixel " << x << "," << y;
      }
    }
  }
  ImageBufferRelease(picture);
}

TEST_F(Commands3DGlTest, DebugModeDrawsTestedShapesInHitOrMissColours) {
  testing::internal::CaptureStdout();
  ObjectBuildBegin(2u);
  ObjectBuildVertex(-10, -10, -10, 0, 0, 0xFFFFFF);
  ObjectBuildVertex(10, -10, -10, 0, 0, 0xFFFFFF);
  ObjectBuildVertex(0, 10, -10, 0, 0, 0xFFFFFF);
  ObjectBuildEnd();
  testing::internal::GetCapturedStdout();
  struct Case {
    bool debug;
    int32_t (*test)();
    int32_t result;
    uint32_t shown;  // 0: nothing drawn
  };
  const Case cases[] = {
      {true, [] { return Object3DCollideSphere(2, 0, 0, 0, -10, 3); }, 1, 0xFF0000},
      {true, [] { return Object3DCollideSphere(2, 0, 0, 0, -20, 3); }, 0, 0x00FF00},
      {true, [] { return Object3DCollideBox(2, 0, 0, 0, -10, 4, 4, 4); }, 1, 0xFF0000},
      {true, [] { return Object3DCollideBox(2, 0, 0, 0, -20, 4, 4, 4); }, 0, 0x00FF00},
      {false, [] { return Object3DCollideSphere(2, 0, 0, 0, -10, 3); }, 1, 0},
  };
  for (const Case& c : cases) {
    g_app.debugMode = c.debug ? 1 : 0;
    X3DBegin(1.0, 100.0, 90.0);
    ClearWindow(0x000000);
    EXPECT_EQ(c.test(), c.result);
    if (c.shown != 0) {
      EXPECT_GT(Count(c.shown), 0) << c.result;
    } else {
      EXPECT_EQ(Count(0x000000), kWidth * kHeight);
    }
  }
}

}  // namespace
