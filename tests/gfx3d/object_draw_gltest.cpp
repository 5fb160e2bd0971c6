// Drawing objects, read back from the window: where a mesh lands, its
// colours, the pose between frames, frustum culling, cel shading with its
// outline, and stencil shadow volumes darkening exactly the shadow.
#include "gfx3d/object_draw.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "gfx2d/gl_extensions.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/lights_fog.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/object_load.h"
#include "gfx3d/shadow_pass.h"
#include "gfx3d/transform_stack.h"
#include "tests/support/engine3d_fixture.h"

namespace {

constexpr int32_t kSquare = 1;
constexpr int32_t kBox = 2;
constexpr int32_t kOccluder = 3;

struct Corner {
  float x, y, z;
};

class ObjectDrawTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    ClearWindow(0x000000);
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  }

  // Separate triangles, each frame its own corners, in one colour.
  void Build(int32_t slot, const std::vector<std::vector<Corner>>& frames, uint32_t colour) {
    ObjectBuildBegin(&engine3d(), slot, 0);
    for (size_t f = 0; f < frames.size(); ++f) {
      ObjectBuildSetFrame(&engine3d(), static_cast<int32_t>(f));
      for (const Corner& c : frames[f]) ObjectBuildVertex(&engine3d(), c.x, c.y, c.z, 0, 0, colour);
    }
    ObjectBuildEnd(&engine3d());
    ASSERT_EQ(engine3d().objects[slot].inUse, 1);
  }

  // A square of half side h in the z = 0 plane, facing +z, moved by dx.
  static std::vector<Corner> Square(float h, float dx) {
    return {{-h + dx, -h, 0}, {h + dx, -h, 0}, {-h + dx, h, 0}, {-h + dx, h, 0}, {h + dx, -h, 0}, {h + dx, h, 0}};
  }

  // A closed box of half side h, every face clockwise from outside (the
  // engine's front faces, whose computed normals point outward).
  static std::vector<Corner> Box(float h) {
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1}, {2, 3, 7, 6}};
    std::vector<Corner> corners;
    for (const auto& f : faces) {
      Corner q[4];
      for (int i = 0; i < 4; ++i) {
        const int c = f[i];
        q[i] = {(c & 1) ? h : -h, (c & 2) ? h : -h, (c & 4) ? h : -h};
      }
      for (int i : {0, 1, 2, 0, 2, 3}) corners.push_back(q[i]);
    }
    return corners;
  }

  // Window column or row of a point d units in front of the camera (the
  // 90-degree view: d units are half the window's height).
  static float WindowX(float x, float d) { return kWidth / 2.0f + x * (kHeight / 2.0f) / d; }
  static float WindowY(float y, float d) { return kHeight / 2.0f - y * (kHeight / 2.0f) / d; }
};

TEST_F(ObjectDrawTest, AMeshLandsWhereTheTransformAndThePosePutIt) {
  Build(kSquare, {Square(5, 0), Square(5, 8)}, 0x0000FF);
  struct Case {
    const char* label;
    float x;              // position of the object
    int32_t a, b;
    float t;
    uint8_t positionFlag;
    float left, right;    // world x range of the square drawn
  };
  const Case cases[] = {
      {"frame 0 at the origin", 0, 0, 0, 0.0f, 0, -5, 5},
      {"frame 0 moved right", 3, 0, 0, 0.0f, 0, -2, 8},
      {"frame 1 alone", 0, 1, 1, 0.0f, 0, 3, 13},
      {"half way from frame 0 to 1", -4, 0, 1, 0.5f, 0, -5, 5},
      {"a frame beyond the last is the last", -8, 7, 7, 0.0f, 0, -5, 5},
      {"position 1.25 along frames 0 to 1 is 0.25", 0, 0, 1, 1.25f, 1, -3, 7},
  };
  for (const Case& c : cases) {
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    X3DPosition(engine3d(), c.x, 0, -10);
    Object3DDraw(engine3d(), kSquare, c.a, c.b, c.t, c.positionFlag);
    const int row = kHeight / 2;
    const float left = WindowX(c.left, 10);
    const float right = WindowX(c.right, 10);
    EXPECT_EQ(WindowDifference([&](int x, int y) {
                if (y != row || std::fabs(x + 0.5f - left) < 1 || std::fabs(x + 0.5f - right) < 1) {
                  return PixelAt(x, y);
                }
                return x + 0.5f > left && x + 0.5f < right ? 0xFF0000u : 0x000000u;
              }),
              "")
        << c.label;
  }
}

TEST_F(ObjectDrawTest, AMeshOutsideTheFrustumIsSkippedBeforeAnyWork) {
  if (g_glext.glBindBufferARB == nullptr) GTEST_SKIP() << "no vertex buffers on this context";
  Build(kSquare, {Square(5, 0)}, 0xFFFFFF);
  const MeshObjectX& mesh = engine3d().objects[kSquare].meshes[0];
  X3DPosition(engine3d(), 0, 0, 20);  // behind the camera
  Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
  EXPECT_EQ(mesh.staticBuffer, 0u);
  X3DPosition(engine3d(), 0, 0, -10);
  Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
  EXPECT_NE(mesh.staticBuffer, 0u);
  Object3DDraw(engine3d(), 4095, 0, 0, 0.0f, 0);  // an empty slot
  Object3DDraw(engine3d(), 4096, 0, 0, 0.0f, 0);  // no slot
}

// A change to the vertices after a draw reaches the static vertex buffer
// that a plain draw of frame 0 uses: the next draw shows the new shape.
TEST_F(ObjectDrawTest, APlainDrawAfterAChangeShowsTheNewShape) {
  struct Case {
    const char* label;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"scaled by 2", [&] { Object3DScaleMeshes(engine3d().objects[kSquare], 2, 2, 2); }},
      {"built again", [&] { Build(kSquare, {Square(4, 0)}, 0xFFFFFF); }},
  };
  for (const Case& c : cases) {
    Build(kSquare, {Square(2, 0)}, 0xFFFFFF);
    X3DPosition(engine3d(), 0, 0, -10);
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
    const int row = kHeight / 2;
    const int inside = static_cast<int>(WindowX(3, 10));  // beyond half side 2, within 4
    EXPECT_EQ(PixelAt(static_cast<int>(WindowX(1, 10)), row), 0xFFFFFFu) << c.label;
    EXPECT_EQ(PixelAt(inside, row), 0x000000u) << c.label;
    c.change();
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    Object3DDraw(engine3d(), kSquare, 0, 0, 0.0f, 0);
    EXPECT_EQ(PixelAt(inside, row), 0xFFFFFFu) << c.label;
    EXPECT_EQ(PixelAt(static_cast<int>(WindowX(5, 10)), row), 0x000000u) << c.label;
  }
}

TEST_F(ObjectDrawTest, CelShadingBandsTheColourAndOutlinesTheSilhouette) {
  Build(kBox, {Box(3)}, 0xFFFFFF);
  ClearWindow(0xFFFFFF);
  X3DSetCulling(engine3d(), 1);
  LightSet(engine3d(), -2, 0, 0, 0, -100, 0, 0, 0, 1, false);  // cel shading, the light behind
  X3DPosition(engine3d(), 0, 0, -10);
  Object3DDraw(engine3d(), kBox, 0, 0, 0.0f, 0);
  // The front face turns away from the light: the ramp's darkest step.
  EXPECT_TRUE(ColourNear(PixelAt(kWidth / 2, kHeight / 2), 0x646464, 2));
  // Just beyond the front face's right edge the outline is black; far out
  // the background stays.
  const int edge = static_cast<int>(WindowX(3, 7));
  EXPECT_EQ(PixelAt(edge + 2, kHeight / 2), 0x000000u);
  EXPECT_EQ(PixelAt(edge + 12, kHeight / 2), 0xFFFFFFu);
}

TEST_F(ObjectDrawTest, AShadowVolumeDarkensExactlyTheShadowOnTheFloor) {
  // Clockwise as the light sees it: the side that counts as facing it.
  Build(kOccluder, {{{-4, -4, -10}, {0, 4, -10}, {4, -4, -10}}}, 0xFFFFFF);
  ClearWindow(0xFFFFFF);
  DrawSquareAt(-20.0f, 40.0f);  // the floor, into the depth buffer
  const float light[3] = {2, 2, 0};
  X3DSetCulling(engine3d(), 1);  // clockwise front faces, as the occluder is wound
  LightSet(engine3d(), -3, 0x000000, light[0], light[1], light[2], 0, 0, 0, 1, false);
  Object3DDraw(engine3d(), kOccluder, 0, 0, 0.0f, 0);
  LightSet(engine3d(), -3, 0x000000, 0, 0, 0, 0, 0, 0, 0, false);

  // The occluder's corners cast from the light onto the floor at z = -20.
  float shadow[3][2];
  const Corner corners[3] = {{-4, -4, -10}, {0, 4, -10}, {4, -4, -10}};
  for (int i = 0; i < 3; ++i) {
    const float k = (-20.0f - light[2]) / (corners[i].z - light[2]);
    shadow[i][0] = WindowX(light[0] + (corners[i].x - light[0]) * k, 20);
    shadow[i][1] = WindowY(light[1] + (corners[i].y - light[1]) * k, 20);
  }
  // Distances in pixels from the shadow's sides, positive inside.
  const float turn = (shadow[1][0] - shadow[0][0]) * (shadow[2][1] - shadow[0][1]) -
                     (shadow[1][1] - shadow[0][1]) * (shadow[2][0] - shadow[0][0]);
  auto inside = [&](float x, float y, float margin) {
    for (int i = 0; i < 3; ++i) {
      const float* p = shadow[i];
      const float* q = shadow[(i + 1) % 3];
      const float ex = q[0] - p[0];
      const float ey = q[1] - p[1];
      const float d = (ex * (y - p[1]) - ey * (x - p[0])) / std::sqrt(ex * ex + ey * ey);
      if ((turn > 0 ? d : -d) < margin) return false;
    }
    return true;
  };
  int shadowed = 0;
  EXPECT_EQ(WindowDifference([&](int x, int y) {
              const float cx = x + 0.5f;
              const float cy = y + 0.5f;
              if (inside(cx, cy, 1.0f)) {
                ++shadowed;
                return 0x7F7F7Fu;
              }
              return inside(cx, cy, -1.0f) ? PixelAt(x, y) : 0xFFFFFFu;
            }),
            "");
  EXPECT_GT(shadowed, 100);
}

}  // namespace
