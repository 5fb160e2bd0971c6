// Lights and fog as the window shows them, and the bookkeeping of the
// lights: which are on, what kind each is, and the matrix stack.
#include "gfx3d/lights_fog.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "gfx2d/gl_state_cache.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/shadow_pass.h"
#include "tests/support/engine3d_fixture.h"

namespace {

class LightsTest : public Engine3DTest {
 protected:
  static constexpr int kCentreX = kWidth / 2;
  static constexpr int kCentreY = kHeight / 2;

  void SetUp() override {
    Engine3DTest::SetUp();
    ClearWindow(0x000000);
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  }
};

TEST_F(LightsTest, ALitSquareShowsTheLightsColourOverTheAmbientLevel) {
  // The fixed-function default ambient: 0.2 global x 0.2 material = 0.04.
  constexpr uint32_t kAmbient = 0x0A0A0A;
  struct Case {
    const char* label;
    std::function<void(Dodevudi3D&)> light;
    uint32_t want;
  };
  const Case cases[] = {
      {"directional red from +z",
       [](Dodevudi3D& e) { LightSet(e, 0, 0x0000FF, 0, 0, 0, 0, 0, -1, 180, false); }, 0xFF0A0A},
      {"point light in green at the eye",
       [](Dodevudi3D& e) { LightSet(e, 1, 0x00FF00, 0, 0, 0.001f, 0, 0, 0, 120, false); }, 0x0AFF0A},
      {"spot light turned away", [](Dodevudi3D& e) { LightSet(e, 2, 0xFFFFFF, 0, 0, 0, 0, 0, 1, 30, false); },
       kAmbient},
      {"spot light towards the square in blue",
       [](Dodevudi3D& e) { LightSet(e, 2, 0xFF0000, 0, 0, 0, 0, 0, -1, 30, false); }, 0x0A0AFF},
      {"a light that went off again",
       [](Dodevudi3D& e) {
         LightSet(e, 0, 0x0000FF, 0, 0, 0, 0, 0, -1, 180, false);
         LightSet(e, 0, 0x0000FF, 0, 0, 0, 0, 0, -1, 0, false);
       },
       0xFFFFFF},
      {"head light from the eye at the origin", [](Dodevudi3D& e) { X3DHeadLight(e, 3, 0x00FFFF); }, 0xFFFF0A},
  };
  for (const Case& c : cases) {
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
    for (int n = 0; n < 8; ++n) LightSet(engine3d(), n, 0, 0, 0, 0, 0, 0, 0, 0, false);
    c.light(engine3d());
    GlStateEnable(GL_COLOR_MATERIAL);
    DrawSquareAt(-10.0f, 2.0f);
    EXPECT_TRUE(ColourNear(PixelAt(kCentreX, kCentreY), c.want, 3)) << c.label;
  }
}

TEST_F(LightsTest, FogBlendsTowardsItsColourWithDistance) {
  struct Case {
    int32_t mode;
    float start, end;
    float fogShare;  // of the fog colour at 50.5 units
  };
  const Case cases[] = {
      {0, 0.0f, 0.0f, 0.5f},                        // the near and far planes: (100 - 50.5) / 99
      {0, 0.0f, 202.0f, 0.25f},                     // (202 - 50.5) / 202
      {1, 0.02f, 0.0f, 1.0f - std::exp(-1.01f)},    // density 0.02
  };
  for (const Case& c : cases) {
    X3DClearDepth(engine3d());
    X3DFog(engine3d(), 0xFF0000, c.mode, c.start, c.end);  // blue
    const float point[3] = {0.0f, 0.0f, -50.5f};
    Draw3DPoint(engine3d(), point, 0xFFFFFF, 8.0f);
    const uint32_t white = static_cast<uint32_t>(std::lround(255.0f * (1.0f - c.fogShare)));
    EXPECT_TRUE(ColourNear(PixelAt(kCentreX, kCentreY), white << 16 | white << 8 | 0xFF, 3))
        << c.mode << " " << c.end;
  }
  X3DFog(engine3d(), -1, 0, 0, 0);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(LightsTest, LightsAreCountedInTheMaskAndKeepTheMatrixStack) {
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  LightSet(engine3d(), 0, 0xFFFFFF, 0, 10, 0, 0, -1, 0, 30, true);
  float value[4] = {};
  glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, value);
  EXPECT_EQ(value[0], 30.0f);
  glGetLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, value);
  EXPECT_FLOAT_EQ(value[1], -1.0f);
  glGetLightfv(GL_LIGHT0, GL_POSITION, value);
  EXPECT_FLOAT_EQ(value[1], 10.0f);
  EXPECT_FLOAT_EQ(value[3], 1.0f);
  LightSet(engine3d(), 9, 0xFFFFFF, 0, 10, 0, 0, -1, 0, 120, true);  // light 1, a point light
  glGetLightfv(GL_LIGHT1, GL_SPOT_CUTOFF, value);
  EXPECT_EQ(value[0], 180.0f);
  EXPECT_EQ(engine3d().lightsMask, 0x03);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));

  LightSet(engine3d(), 0, 0, 0, 0, 0, 0, 0, 0, 0, false);
  EXPECT_EQ(engine3d().lightsMask, 0x02);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  LightSet(engine3d(), 1, 0, 0, 0, 0, 0, 0, 0, 0, false);
  EXPECT_EQ(engine3d().lightsMask, 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLint after = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
  EXPECT_EQ(after, depth);
}

}  // namespace
