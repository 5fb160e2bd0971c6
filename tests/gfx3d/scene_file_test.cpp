#include "gfx3d/scene_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <optional>
#include <string>

#include "files/error_log.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

class SceneFileTest : public testing::Test {
 protected:
  void SetUp() override {
    tmpdir_.emplace("TMPDIR", dir_.path());
    WriteFileBytes(dir_.File("quad.ddd"), QuadModelBytes());
    WriteFileBytes(dir_.File("short.ddd"), ";D");
  }
  void TearDown() override { WriteFileBytes(ErrorLogPath(), ""); }

  // Loads the scene text into slot 5 and checks what every scene gives.
  const Object3D& Load(const std::string& text, const std::string& name = "scene.ddw") {
    WriteFileBytes(dir_.File(name), text);
    EXPECT_EQ(Object3DLoad(&engine_, dir_.File(name).c_str(), 5), 1);
    const Object3D& object = engine_.objects[5];
    EXPECT_EQ(object.inUse, 1);
    EXPECT_EQ(object.severalMeshes, 1);
    return object;
  }

  static int32_t Triangles(const MeshObjectX& mesh) {
    return mesh.frames.count > 0 ? mesh.frames[0].triangles.count / 3 : 0;
  }

  ScratchDir dir_;
  std::optional<ScopedEnv> tmpdir_;
  Dodevudi3D engine_{nullptr};
};

TEST_F(SceneFileTest, MeshesComeFromTheScenesFolderWithTheirTextureIndices) {
  const Object3D& object = Load(
      ";DDW scene\r\n[Objects]\r\ncount=5\r\n1=quad.ddd\r\n2=quad.ddd\r\n3=quad.ddd\r\n4=quad.ddd\r\n"
      "5=quad.ddd\r\n1TA=1\r\n2ta=0\r\n3ta=3\r\n3tb=2\r\n4ta=-2\r\n5tb=1\r\n");
  ASSERT_EQ(object.meshes.count, 5);
  EXPECT_EQ(object.textures.count, 0);
  const int32_t want[5][2] = {{0, 0}, {0, 0}, {2, 1}, {-2, 0}, {0, 0}};
  for (int i = 0; i < 5; ++i) {
    const MeshObjectX& mesh = object.meshes[i];
    EXPECT_EQ(Triangles(mesh), 2) << i;
    EXPECT_EQ(mesh.drawNodes.count, 6) << i;
    EXPECT_FLOAT_EQ(mesh.frames[0].radius, std::sqrt(0.5f)) << i;
    EXPECT_EQ(mesh.textureIndex[0], want[i][0]) << i;
    EXPECT_EQ(mesh.textureIndex[1], want[i][1]) << i;
  }
}

TEST_F(SceneFileTest, ANameWithoutFolderReadsFromTheCurrentOne) {
  WriteFileBytes(dir_.File("scene.ddw"), ";DDW\n[objects]\ncount=1\n1=quad.ddd\n");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  const uint8_t loaded = Object3DLoad(&engine_, "scene.ddw", 6);
  ASSERT_EQ(chdir(old), 0);
  ASSERT_EQ(loaded, 1);
  ASSERT_EQ(engine_.objects[6].meshes.count, 1);
  EXPECT_EQ(Triangles(engine_.objects[6].meshes[0]), 2);
}

TEST_F(SceneFileTest, DamagedScenesGiveAnObjectInUseWithWhatCouldBeRead) {
  struct Case {
    const char* what;
    const char* text;
    int32_t textures;
    int32_t triangles[2];  // of the first meshes; -1 = no such mesh
  };
  const Case cases[] = {
      {"header only", ";DDW", 0, {-1, -1}},
      {"counts of 0", ";DDW\n[textures]\ncount=0\n[objects]\ncount=0\n", 0, {-1, -1}},
      {"negative counts", ";DDW\n[textures]\ncount=-3\n1=a.bmp\n[objects]\ncount=-5\n1=quad.ddd\n", 0, {-1, -1}},
      {"count not a number", ";DDW\n[objects]\ncount=many\n1=quad.ddd\n", 0, {-1, -1}},
      {"count beyond the keys", ";DDW\n[objects]\ncount=2000000000\n1=quad.ddd\n", 0, {2, 0}},
      {"unreadable images", ";DDW\n[textures]\ncount=3\n1=none.bmp\n2=quad.ddd\n3=\n", 3, {-1, -1}},
      {"damaged and missing models", ";DDW\n[objects]\ncount=3\n1=short.ddd\n2=gone.ddd\n3=quad.ddd\n", 0, {0, 0}},
  };
  for (const Case& c : cases) {
    const Object3D& object = Load(c.text);
    EXPECT_EQ(object.textures.count, c.textures) << c.what;
    for (int32_t i = 0; i < object.textures.count; ++i) EXPECT_EQ(object.textures[i], 0u) << c.what;
    for (int i = 0; i < 2; ++i) {
      if (c.triangles[i] < 0) {
        EXPECT_LE(object.meshes.count, i) << c.what;
      } else {
        ASSERT_GT(object.meshes.count, i) << c.what;
        EXPECT_EQ(Triangles(object.meshes[i]), c.triangles[i]) << c.what;
      }
    }
  }
  // The mesh after a damaged one is still read.
  const Object3D& object = Load(";DDW\n[objects]\ncount=3\n1=short.ddd\n2=gone.ddd\n3=quad.ddd\n");
  ASSERT_EQ(object.meshes.count, 3);
  EXPECT_EQ(Triangles(object.meshes[2]), 2);
}

}  // namespace
