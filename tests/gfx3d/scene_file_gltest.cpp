// Textures of scene files: uploaded from image files beside the scene, the
// colour key made transparent, unreadable images left as no texture, and
// all of them deleted with the slot.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "gfx2d/bmp_image.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

using SceneFileGlTest = GlTest;

TEST_F(SceneFileGlTest, TexturesAreUploadedAndDeletedWithTheSlot) {
  ScratchDir dir;
  ScopedEnv tmpdir("TMPDIR", dir.path());
  // Two pixels: the default sprite colour key, then red.
  const uint8_t pixels[8] = {255, 0, 128, 255, 255, 0, 0, 255};
  ASSERT_TRUE(BmpWriteFile(dir.File("skin.bmp").c_str(), pixels, 2, 1));
  WriteFileBytes(dir.File("quad.ddd"), QuadModelBytes());
  WriteFileBytes(dir.File("room.ddw"),
                 ";DDW\n[textures]\ncount=2\n1=skin.bmp\n2=missing.png\n[objects]\ncount=1\n1=quad.ddd\n1tb=2\n");
  Dodevudi3D engine(nullptr);
  ASSERT_EQ(Object3DLoad(&engine, dir.File("room.ddw").c_str(), 3), 1);
  const Object3D& object = engine.objects[3];
  ASSERT_EQ(object.textures.count, 2);
  const uint32_t texture = object.textures[0];
  ASSERT_TRUE(glIsTexture(texture));
  EXPECT_EQ(object.textures[1], 0u);
  EXPECT_EQ(object.meshes[0].textureIndex[1], 1);

  uint8_t texels[16 * 16 * 4] = {};
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(texels[3], 0);  // the key colour is transparent
  EXPECT_EQ(texels[4], 255);
  EXPECT_EQ(texels[5], 0);
  EXPECT_EQ(texels[7], 255);

  Object3DReset(&engine, 3);
  EXPECT_FALSE(glIsTexture(texture));
}

}  // namespace
