#include "gfx3d/dodevudi3d.h"

#include <gtest/gtest.h>

#include "gfx2d/opengl_dodevudi.h"
#include "gfx3d/shadow_pass.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

TEST(Dodevudi3DTest, ConstructionMakesTheSlots) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  auto* owner = new OpenGLDodevudi;
  Dodevudi3D* engine = new Dodevudi3D(owner);
  EXPECT_EQ(owner->engine3d, engine);
  EXPECT_EQ(engine->objects.count, 4096);
  // No slot is built before it is used; a used one reads as empty.
  EXPECT_FALSE(engine->objects.Built(0));
  EXPECT_FALSE(engine->objects.Built(4095));
  EXPECT_EQ(engine->objects.InUse(4095), 0);
  EXPECT_FALSE(engine->objects.Built(4095));
  EXPECT_EQ(engine->objects[4095].textures.count, 0);
  EXPECT_TRUE(engine->objects.Built(4095));
  EXPECT_FALSE(engine->objects.Built(4094));
  EXPECT_EQ(engine->objects[4095].meshes.count, 0);
  EXPECT_EQ(engine->objects[0].meshes.data, nullptr);
  EXPECT_EQ(engine->owner, owner);
  EXPECT_EQ(engine->normalMode, 2);
  EXPECT_EQ(engine->lightsMask, 0);
  EXPECT_EQ(engine->shaders[254].program, 0u);
  Gl3DShadowPass(engine, 0);
  EXPECT_EQ(engine->shadowPass, 0);
  delete engine;
  delete owner;
}

TEST(Dodevudi3DTest, ResetEmptiesASlotAndSlotNumbersAreChecked) {
  Dodevudi3D engine(nullptr);
  Object3D& object = engine.objects[4095];
  ASSERT_TRUE(object.meshes.Reserve(1));
  object.meshes.count = 2;
  AddFrame(object.meshes[1], NodesFromIds({1, 2, 3}));
  object.inUse = 1;
  object.severalMeshes = 1;

  EXPECT_EQ(Object3DAt(&engine, 4096), nullptr);
  EXPECT_EQ(Object3DAt(&engine, -1), nullptr);
  EXPECT_EQ(Object3DAt(nullptr, 0), nullptr);
  EXPECT_EQ(Object3DAt(&engine, 4095), &object);
  Object3DReset(&engine, 4096);
  Object3DReset(&engine, -7);

  Object3DReset(&engine, 4095);
  EXPECT_EQ(object.inUse, 0);
  EXPECT_EQ(object.severalMeshes, 0);
  EXPECT_EQ(object.meshes.data, nullptr);
  EXPECT_EQ(object.meshes.count, 0);
  EXPECT_EQ(object.meshes.step, 1);
  EXPECT_EQ(object.meshes.first, 1);
  EXPECT_EQ(object.textures.step, 1);
  EXPECT_EQ(object.textures.first, 1);
}

}  // namespace
