#include "gfx3d/commands3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gfx3d/collision.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/transform_stack.h"
#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

// The runtime's engine with slot 4 built by the commands: one triangle
// (-10, -10), (10, -10), (0, 10) in the plane z = 0, as a strip.
class Commands3DTest : public testing::Test {
 protected:
  void SetUp() override {
    g_app.engine3d = &engine_;
    g_app.debugMode = 0;
    g_objectBeingBuilt = -1;
    X3DResetStack(engine_);
    testing::internal::CaptureStdout();
    ObjectBuildBegin(4u);
    ObjectBuildVertex(-10, -10, 0, 0, 0, 0xFFFFFF);
    ObjectBuildVertex(10, -10, 0, 0, 0, 0xFFFFFF);
    ObjectBuildVertex(0, 10, 0, 0, 0, 0xFFFFFF);
    ObjectBuildEnd();
    testing::internal::GetCapturedStdout();
  }
  void TearDown() override { g_app.engine3d = nullptr; }

  Dodevudi3D engine_{nullptr};
};

TEST_F(Commands3DTest, NormalModeKeepsTheSignedRemainder) {
  const int32_t cases[][2] = {{5, 2}, {-1, -1}, {3, 0}, {-5, -2}, {INT32_MIN, -2}};
  for (const auto& c : cases) {
    X3DSetNormalMode(c[0]);
    EXPECT_EQ(engine_.normalMode, c[1]) << c[0];
  }
}

TEST_F(Commands3DTest, FindFreeSearchesDownFromTheTop) {
  EXPECT_EQ(Object3DFindFree(), 4095);
  for (int32_t slot = 0; slot < engine_.objects.count; ++slot) engine_.objects[slot].inUse = 1;
  EXPECT_EQ(Object3DFindFree(), -1);
  engine_.objects[17].inUse = 0;
  engine_.objects[1000].inUse = 0;
  EXPECT_EQ(Object3DFindFree(), 1000);
}

TEST_F(Commands3DTest, TriangleCountAndScaling) {
  EXPECT_EQ(Object3DTriangleCount(4), 1);
  EXPECT_EQ(Object3DTriangleCount(5), 0);
  EXPECT_EQ(Object3DTriangleCount(0xFFFFFFFFu), 0);
  Object3DScaleMeshes(4, 2, 2, 2);
  Object3DScaleMeshes(0xFFFFFFFFu, 2, 2, 2);  // no such slot
  EXPECT_FLOAT_EQ(engine_.objects[4].meshes[0].frames[0].triangles[0].position[0], -20.0f);
}

TEST_F(Commands3DTest, CollisionCommandsAnswerTheTests) {
  EXPECT_EQ(Object3DCollideSphere(4, 0, 0, 0, 0.5, 1), 1);
  EXPECT_EQ(Object3DCollideSphere(4, 0, 0, 0, 1.5, 1), 0);
  EXPECT_EQ(Object3DCollideSphere(4, 0, 0, 0, NAN, 1e300), 0);
  EXPECT_EQ(Object3DCollideSphere(0xFFFFFFFFu, 0, 0, 0, 0.5, 1), 0);
  // Sizes: x across, y up, z deep; the half-depth goes to the second axis.
  EXPECT_EQ(Object3DCollideBox(4, 0, 0, 0, 1, 2, 2, 1.9), 0);
  EXPECT_EQ(Object3DCollideBox(4, 0, 0, 0, 1, 2, 2, 2.1), 1);
  EXPECT_EQ(Object3DCollideBox(4, 0, 0, 0, 1, 2, 2.1, 1.9), 0);
  EXPECT_DOUBLE_EQ(Object3DCollideLine(4, 0, 0, 0, -5, 0, 0, 3), 5.0);
  EXPECT_DOUBLE_EQ(Object3DCollideLine(4, 0, 0, 0, 5, 0, 0, 1), -5.0);
  EXPECT_EQ(Object3DLastHit(), 0);
  EXPECT_DOUBLE_EQ(Object3DCollideLine(4, 1, 0, 0, -5, 0, 0, 1), 0.0);  // no frame 1
}

TEST_F(Commands3DTest, SphereAgainstTheBoxOfTheCurrentLevel) {
  struct Case {
    double x, y, z, radius;
    int32_t hit;
  };
  // The box of sizes 2, 4, 6 stands at (10, 0, 0), turned a quarter about z.
  X3DPosition(engine_, 10, 0, 0);
  X3DRotate(engine_, 90, 0, 0, 1);
  const Case cases[] = {{10, 0, 0, 0, 1}, {12.5, 0, 0, 0.6, 1}, {12.5, 0, 0, 0.4, 0},
                        {10, 1.5, 0, 0.4, 0}, {10, 1.5, 0, 0.6, 1}, {10, 0, 3.5, 0.4, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(X3DCollideSphereBox(c.x, c.y, c.z, c.radius, 2, 4, 6), c.hit) << c.x << " " << c.y << " " << c.radius;
  }
}

// The answer of a save says whether the file was written.
TEST_F(Commands3DTest, SaveAnswersWhatTheWriteDid) {
  ScratchDir dir;
  const std::string saved = dir.File("saved.ddd");
  const struct {
    std::string name;
    uint32_t object;
    int32_t answer;
  } cases[] = {
      {saved, 4, 1},
      {dir.File("no-such-folder/saved.ddd"), 4, 0},  // the write fails
      {dir.File("empty.ddd"), 5, 0},                 // an unused slot
      {dir.File("none.ddd"), 0xFFFFFFFFu, 0},        // no such slot
      {"mem://1/16", 4, 0},                          // memory files are never written
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Object3DSave(RtString(c.name.c_str()), c.object), c.answer) << c.name;
  }
  EXPECT_FALSE(ReadFileBytes(saved).empty());
  g_app.engine3d = nullptr;
  EXPECT_EQ(Object3DSave(RtString(dir.File("again.ddd").c_str()), 4), 0);
}

TEST_F(Commands3DTest, WithoutAnEngineNothingHappens) {
  g_app.engine3d = nullptr;
  EXPECT_EQ(Object3DFindFree(), -1);
  EXPECT_EQ(Object3DCollideSphere(4, 0, 0, 0, 0.5, 1), 0);
  EXPECT_EQ(Object3DTriangleCount(4), 0);
  X3DSetNormalMode(1);
  ObjectBuildBegin(4u);
  EXPECT_EQ(g_objectBeingBuilt, -1);
  double out[3] = {7, 7, 7};
  X3DProject(1, 2, 3, &out[0], &out[1], &out[2]);
  EXPECT_EQ(out[0], 7);
}

}  // namespace
