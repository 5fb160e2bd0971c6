// The 3D begin's projection and viewport, the camera, the frustum planes,
// projecting points to the window and back, and the model matrix in GL.
#include "gfx3d/camera_projection.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "core/matrix4.h"
#include "gfx2d/render_state.h"
#include "gfx3d/transform_stack.h"
#include "tests/support/engine3d_fixture.h"

namespace {

using CameraTest = Engine3DTest;

void ExpectMatrix(const float* got, const float* want, const char* label) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-5f) << label << " element " << i;
}

TEST_F(CameraTest, BeginBuildsThePerspectiveAndOrthographicProjections) {
  const float aspect = static_cast<float>(kWidth) / kHeight;
  const float rad30 = 30.0f * 3.14159265f / 180.0f;
  struct Case {
    double angle;
    float p0, p5, p10, p11, p14, p15, tangent;
  };
  // near 1, far 100. 90 degrees: h = 1; -60 degrees: half height 100 tan 30.
  const Case cases[] = {
      {90.0, 1.0f / aspect, 1.0f, -101.0f / 99.0f, -1.0f, -200.0f / 99.0f, 0.0f, std::tan(1.553343f)},
      {60.0, 1.0f / (std::tan(rad30) * aspect), 1.0f / std::tan(rad30), -101.0f / 99.0f, -1.0f,
       -200.0f / 99.0f, 0.0f, std::tan(65.0f * 3.14159265f / 180.0f)},
      {-60.0, 1.0f / (100.0f * std::tan(rad30) * aspect), 1.0f / (100.0f * std::tan(rad30)), -2.0f / 99.0f,
       0.0f, -101.0f / 99.0f, 1.0f, std::tan(1.5533430576324463f)},
  };
  for (const Case& c : cases) {
    X3DBegin(engine3d(), 1.0, 100.0, c.angle);
    const float* p = engine3d().projection;
    EXPECT_NEAR(p[0], c.p0, 1e-5f) << c.angle;
    EXPECT_NEAR(p[5], c.p5, 1e-5f) << c.angle;
    EXPECT_NEAR(p[10], c.p10, 1e-5f) << c.angle;
    EXPECT_NEAR(p[11], c.p11, 1e-6f) << c.angle;
    EXPECT_NEAR(p[14], c.p14, 1e-5f) << c.angle;
    EXPECT_NEAR(p[15], c.p15, 1e-6f) << c.angle;
    EXPECT_NEAR(engine3d().viewTangent, c.tangent, 1e-4f) << c.angle;
    float inGl[16];
    glGetFloatv(GL_PROJECTION_MATRIX, inGl);
    ExpectMatrix(inGl, p, "GL's projection");
  }
}

TEST_F(CameraTest, BeginTurnsTheProjectionAndViewportWithTheOrientation) {
  engine().orientation = 1;  // 64 x 48 window: a 48 x 64 screen
  SetViewportProjection(engine(), 0, 0, 24, 64);
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 24);  // screen x runs down the window from its top
  EXPECT_EQ(viewport[2], 64);
  EXPECT_EQ(viewport[3], 24);
  // The frustum of the 24 x 64 screen rectangle, then turned: screen x
  // runs along the window's y.
  float turn[16];
  OrientationMatrix(engine(), turn);
  float frustum[16];
  Mat4Frustum(-24.0f / 64.0f, 24.0f / 64.0f, -1, 1, 1, 100, frustum);
  float want[16];
  Mat4Multiply(turn, frustum, want);
  ExpectMatrix(engine3d().projection, want, "turned projection");
}

TEST_F(CameraTest, TheCameraLooksFromTheEyeAtTheCentre) {
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  X3DSetCamera(engine3d(), 5, 0, 0, 0, 0, 0);
  // Looking down -x from +x with y up: world -z is to the right.
  const float want[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -5, 1};
  ExpectMatrix(engine3d().camera, want, "look-at");
  float inGl[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, inGl);
  ExpectMatrix(inGl, want, "GL's model-view");

  // The up vector counts from the next camera on.
  X3DSetCameraUp(engine3d(), 1, 0, 0);
  X3DSetCamera(engine3d(), 0, 0, 5, 0, 0, 0);
  const float tilted[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
  ExpectMatrix(engine3d().camera, tilted, "with x up");

  // The model matrix goes onto the camera in GL.
  X3DPosition(engine3d(), 1, 2, 3);
  X3DApplyModelMatrix(engine3d());
  glGetFloatv(GL_MODELVIEW_MATRIX, inGl);
  float moved[16];
  float model[16];
  Mat4Translation(1, 2, 3, model);
  Mat4Multiply(tilted, model, moved);
  ExpectMatrix(inGl, moved, "camera x model");
}

TEST_F(CameraTest, SpheresOutsideAFrustumPlaneAreNotVisible) {
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  struct Case {
    float x, y, z;
    int32_t visible;
  };
  const Case cases[] = {
      {0, 0, -50, 1},      {0, 0, -100.5f, 1},  // half a radius behind the far plane
      {0, 0, -101.5f, 0},  {0, 0, -0.5f, 1},    // half behind the near plane
      {0, 0, 0.5f, 0},     {0, 0, 5, 0},        // behind the camera
      {-70, 0, -50, 0},    {0, 60, -50, 0},     // beside the view
  };
  for (const Case& c : cases) {
    EXPECT_EQ(X3DSphereVisible(engine3d(), c.x, c.y, c.z, 1.0f), c.visible) << c.x << " " << c.y << " " << c.z;
  }
}

TEST_F(CameraTest, PointsGoToTheWindowAndBack) {
  X3DBegin(engine3d(), 1.0, 100.0, 90.0);
  double window[3] = {};
  ASSERT_TRUE(X3DProject(engine3d(), 0, 0, -10, window));
  EXPECT_NEAR(window[0], kWidth / 2.0, 1e-4);
  EXPECT_NEAR(window[1], kHeight / 2.0, 1e-4);
  // At 10 units with h = 1 the view is 20 units high: 2 units is 1/10 of it.
  ASSERT_TRUE(X3DProject(engine3d(), 2, 2, -10, window));
  EXPECT_NEAR(window[0], kWidth / 2.0 + 0.1 * kHeight, 1e-3);
  EXPECT_NEAR(window[1], kHeight / 2.0 - 0.1 * kHeight, 1e-3);
  double world[3] = {};
  ASSERT_TRUE(X3DUnproject(engine3d(), static_cast<float>(window[0]), static_cast<float>(kHeight - window[1]),
                           static_cast<float>(window[2]), world));
  EXPECT_NEAR(world[0], 2.0, 1e-3);
  EXPECT_NEAR(world[1], 2.0, 1e-3);
  EXPECT_NEAR(world[2], -10.0, 1e-3);
  // A point in the eye's plane has w 0: the outputs stay.
  window[0] = 7.0;
  EXPECT_FALSE(X3DProject(engine3d(), 3, 0, 0, window));
  EXPECT_EQ(window[0], 7.0);
}

}  // namespace
