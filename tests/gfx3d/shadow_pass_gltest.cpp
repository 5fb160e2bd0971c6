// The stencil shadow pass: what enters it, the darkening when it is left,
// and the shadow light's settings.
#include "gfx3d/shadow_pass.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx2d/render_state.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/lights_fog.h"
#include "tests/support/engine3d_fixture.h"

namespace {

class ShadowPassTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    ClearWindow(0xFFFFFF);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
  }

  // The window pixels a square of half side 2 at 10 units covers: with a
  // 90-degree view 48 pixels high, 0.2 of the half height each side.
  static bool InSquare(int x, int y) {
    return x >= kWidth / 2 - 5 && x < kWidth / 2 + 5 && y >= kHeight / 2 - 5 && y < kHeight / 2 + 5;
  }
  static bool OnSquareEdge(int x, int y) {
    return (x >= kWidth / 2 - 6 && x <= kWidth / 2 + 5 && y >= kHeight / 2 - 6 && y <= kHeight / 2 + 5) &&
           !(x >= kWidth / 2 - 4 && x < kWidth / 2 + 4 && y >= kHeight / 2 - 4 && y < kHeight / 2 + 4);
  }

  // The first pixel that is not half-darkened white inside the square or
  // white outside it ("" when all are), edge pixels left out.
  std::string ShadowDifference() const {
    return WindowDifference([&](int x, int y) {
      if (OnSquareEdge(x, y)) return PixelAt(x, y);
      return InSquare(x, y) ? 0x7F7F7Fu : 0xFFFFFFu;
    });
  }
};

TEST_F(ShadowPassTest, LeavingThePassDarkensExactlyTheStencilledPixelsOnce) {
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  // Black shadows, mode 3: the pass opens at once.
  LightSet(engine3d(), -3, 0x000000, 0, 50, 0, 0, 0, 0, 1, false);
  ASSERT_EQ(engine3d().shadowPass, 1);
  ASSERT_EQ(engine3d().shadowMode, 3);
  DrawSquareAt(-10.0f, 2.0f);  // only into the stencil buffer
  EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2), 0xFFFFFFu);

  LightSet(engine3d(), -3, 0x00FF00, 1, 2, 3, 0, 0, 0, 0, false);  // off: leaves the pass
  EXPECT_EQ(engine3d().shadowPass, 0);
  EXPECT_EQ(engine3d().shadowsOn, 0);
  EXPECT_EQ(engine3d().shadowColour, 0u);       // kept while off
  EXPECT_EQ(engine3d().shadowLight[1], 50.0f);
  EXPECT_EQ(ShadowDifference(), "");
  Gl3DShadowPass(&engine3d(), 0);  // already left: no second darkening
  EXPECT_EQ(ShadowDifference(), "");

  uint8_t stencil = 1;
  glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
  EXPECT_EQ(stencil, 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
}

// Whatever the stencil buffer held before (OpenGL does not say what a
// new one holds), the 3D begin leaves it 0: a pass with no caster darkens
// nothing.
TEST_F(ShadowPassTest, TheThreeDimensionalBeginLeavesTheStencilBufferZero) {
  glClearStencil(5);
  glClear(GL_STENCIL_BUFFER_BIT);
  glClearStencil(0);
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  uint8_t stencil = 1;
  glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
  EXPECT_EQ(stencil, 0);
  LightSet(engine3d(), -3, 0x000000, 0, 50, 0, 0, 0, 0, 1, false);
  LightSet(engine3d(), -3, 0x000000, 0, 50, 0, 0, 0, 0, 0, false);
  EXPECT_EQ(WindowDifference([](int, int) { return 0xFFFFFFu; }), "");
}

TEST_F(ShadowPassTest, LeavingThePassKeepsTheViewport) {
  SetViewportProjection(engine(), 8, 4, 40, 30);
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  GLint before[4];
  glGetIntegerv(GL_VIEWPORT, before);
  LightSet(engine3d(), -3, 0x000000, 0, 50, 0, 0, 0, 0, 1, false);
  LightSet(engine3d(), -3, 0x000000, 0, 50, 0, 0, 0, 0, 0, false);
  GLint after[4];
  glGetIntegerv(GL_VIEWPORT, after);
  const ViewportRect rect = GetViewport(engine());
  EXPECT_EQ(rect.x, 8);
  EXPECT_EQ(rect.y, 4);
  EXPECT_EQ(rect.width, 40);
  EXPECT_EQ(rect.height, 30);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST_F(ShadowPassTest, NegativeLightIndicesPickTheShadowMode) {
  const struct {
    int32_t index;
    uint8_t mode;
  } cases[] = {{-1, 1}, {-2, 2}, {-7, 2}, {-3, 3}};
  for (const auto& c : cases) {
    LightSet(engine3d(), c.index, 0x123456, 4, 5, 6, 0, 0, 0, 45, false);
    EXPECT_EQ(engine3d().shadowMode, c.mode) << c.index;
    EXPECT_EQ(engine3d().shadowsOn, 1);
    EXPECT_EQ(engine3d().shadowColour, 0x123456u);
    EXPECT_EQ(engine3d().shadowPass, c.index == -3 ? 1 : 0) << c.index;
  }
  X3DClearDepth(engine3d());
  EXPECT_EQ(engine3d().shadowPass, 0);
}

}  // namespace
