#include "gfx3d/dodevudi3d.h"

#include <gtest/gtest.h>

#include "gfx2d/opengl_dodevudi.h"
#include "gfx3d/shadow_pass.h"
#include "tests/support/test_env.h"

namespace {

TEST(Dodevudi3DTest, ConstructionMakesTheSlots) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  auto* owner = new OpenGLDodevudi;
  Dodevudi3D* engine = new Dodevudi3D(owner);
  EXPECT_EQ(owner->engine3d, engine);
  EXPECT_EQ(engine->objects.count, 4096);
  EXPECT_EQ(engine->objects.capacity, 4224);  // 128 * (4096 / 128 + 1)
  EXPECT_EQ(engine->objects[4095].textures.count, 0);
  EXPECT_EQ(engine->owner, owner);
  EXPECT_EQ(engine->normalMode, 2);
  EXPECT_EQ(engine->lightsMask, 0);
  EXPECT_EQ(engine->shaders[254].program, 0u);
  Gl3DShadowPass(engine, 0);
  EXPECT_EQ(engine->shadowPass, 0);
  delete engine;
  delete owner;
}

}  // namespace
