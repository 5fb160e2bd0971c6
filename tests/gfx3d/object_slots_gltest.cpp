// GL objects of object slots and meshes: resetting a slot deletes its
// textures, freeing a mesh its buffers and ramp, and copies of a mesh never
// share them.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "gfx2d/gl_extensions.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

class ObjectSlotsGlTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    GlLoadExtensions();
    ASSERT_NE(g_glext.glGenBuffersARB, nullptr);
  }

  static uint32_t MakeTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
  }

  static uint32_t MakeBuffer() {
    GLuint name = 0;
    g_glext.glGenBuffersARB(1, &name);
    g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    g_glext.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    return name;
  }

  static void GiveGlObjects(MeshObject& mesh) {
    mesh.staticBuffer = MakeBuffer();
    mesh.streamBuffer = MakeBuffer();
    mesh.rampTexture = MakeTexture();
  }

  struct GlNames {
    uint32_t staticBuffer, streamBuffer, rampTexture;
  };
  static GlNames NamesOf(const MeshObject& mesh) { return {mesh.staticBuffer, mesh.streamBuffer, mesh.rampTexture}; }
  static bool AnyAlive(const GlNames& n) {
    return glIsBuffer(n.staticBuffer) || glIsBuffer(n.streamBuffer) || glIsTexture(n.rampTexture);
  }
};

// A reset (by slot) releases both blocks; the emptying for a build keeps
// them. Both delete every GL object of the object and its meshes.
TEST_F(ObjectSlotsGlTest, EmptyingDeletesTheObjectsTexturesAndMeshObjects) {
  for (bool keepBlocks : {false, true}) {
    Dodevudi3D engine(nullptr);
    Object3D& object = engine.objects[3];
    ASSERT_TRUE(object.meshes.Reserve(1));
    object.meshes.count = 2;
    GiveGlObjects(object.meshes[0]);
    GiveGlObjects(object.meshes[1]);
    const GlNames meshNames = NamesOf(object.meshes[1]);
    uint32_t textures[3];
    for (uint32_t& t : textures) {
      t = MakeTexture();
      object.textures.Push(t);
    }
    ASSERT_TRUE(glIsTexture(textures[2]));

    if (keepBlocks) {
      Object3DEmpty(object, true);
    } else {
      Object3DReset(&engine, 3);
    }
    for (uint32_t t : textures) EXPECT_FALSE(glIsTexture(t));
    EXPECT_FALSE(AnyAlive(meshNames));
    EXPECT_EQ(object.meshes.count + object.textures.count, 0);
    EXPECT_EQ(object.textures.data != nullptr, keepBlocks);
    EXPECT_EQ(object.meshes.data != nullptr, keepBlocks);
    EXPECT_EQ(object.textures.step, 1);
    EXPECT_EQ(object.meshes.first, 1);
  }
}

TEST_F(ObjectSlotsGlTest, MeshCopiesOwnNoneOfTheSourcesGlObjects) {
  MeshObjectX source;
  GiveGlObjects(source);
  MeshObjectX copy;
  GiveGlObjects(copy);
  const GlNames copyNames = NamesOf(copy);
  copy = source;
  EXPECT_FALSE(AnyAlive(copyNames));  // the copy's own objects are deleted
  EXPECT_EQ(copy.staticBuffer + copy.streamBuffer + copy.rampTexture, 0u);
  EXPECT_TRUE(glIsBuffer(source.staticBuffer));
  EXPECT_TRUE(glIsTexture(source.rampTexture));
  const GlNames names = NamesOf(source);
  MeshFree(source, false);
  EXPECT_EQ(source.staticBuffer + source.streamBuffer + source.rampTexture, 0u);
  EXPECT_FALSE(AnyAlive(names));
}

TEST_F(ObjectSlotsGlTest, LoadingAgainDeletesTheFirstLoadsGlObjects) {
  ScratchDir dir;
  const std::string path = dir.File("quad.ddd");
  WriteFileBytes(path, QuadModelBytes());
  Dodevudi3D engine(nullptr);
  ASSERT_EQ(Object3DLoad(&engine, path.c_str(), 8), 1);
  Object3D& object = engine.objects[8];
  GiveGlObjects(object.meshes[0]);
  const GlNames meshNames = NamesOf(object.meshes[0]);
  const uint32_t texture = MakeTexture();
  object.textures.Push(texture);

  ASSERT_EQ(Object3DLoad(&engine, path.c_str(), 8), 1);
  EXPECT_FALSE(AnyAlive(meshNames));
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_EQ(object.meshes.count, 1);
  EXPECT_EQ(object.textures.count, 0);
  EXPECT_EQ(object.meshes[0].drawNodes.count, 6);
}

}  // namespace
