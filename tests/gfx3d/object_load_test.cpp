#include "gfx3d/object_load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "files/error_log.h"
#include "files/memory_file.h"
#include "gfx3d/dodevudi3d.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

class ObjectLoadTest : public testing::Test {
 protected:
  void SetUp() override { tmpdir_.emplace("TMPDIR", dir_.path()); }

  std::string Write(const std::string& name, const std::string& bytes) {
    WriteFileBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }

  // Puts something in the slot that a load must take away.
  void Occupy(int32_t slot) {
    Object3D& object = engine_.objects[slot];
    object.inUse = 1;
    object.severalMeshes = 1;
    object.meshes.Reserve(2);
    object.meshes.count = 3;
  }

  ScratchDir dir_;
  std::optional<ScopedEnv> tmpdir_;
  Dodevudi3D engine_{nullptr};
};

TEST_F(ObjectLoadTest, AModelFillsTheSlot) {
  const std::string path = Write("quad.ddd", QuadModelBytes());
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(Object3DLoad(&engine_, path.c_str(), 12), 1);
    const Object3D& object = engine_.objects[12];
    EXPECT_EQ(object.inUse, 1);
    EXPECT_EQ(object.severalMeshes, 0);
    ASSERT_EQ(object.meshes.count, 1);
    const MeshObjectX& mesh = object.meshes[0];
    EXPECT_EQ(mesh.frames[0].triangles.count, 6);
    EXPECT_EQ(mesh.drawNodes.count, 6);
    EXPECT_EQ(mesh.hasColours, 1);
    EXPECT_FLOAT_EQ(mesh.frames[0].centre[0], 0.5f);
    EXPECT_FLOAT_EQ(mesh.frames[0].radius, std::sqrt(0.5f));
  }
  EXPECT_EQ(ReadFileBytes(ErrorLogPath()), "");
}

TEST_F(ObjectLoadTest, AMemoryBlockLoadsAsItsFile) {
  const std::string bytes = QuadModelBytes();
  const std::string name = MemoryFilePublish(bytes.data(), static_cast<uint32_t>(bytes.size()));
  ASSERT_EQ(Object3DLoad(&engine_, name.c_str(), 0), 1);
  MemoryFileWithdraw(bytes.data());
  ASSERT_EQ(Object3DLoad(&engine_, Write("quad.ddd", bytes).c_str(), 1), 1);
  const MeshFrame& a = engine_.objects[0].meshes[0].frames[0];
  const MeshFrame& b = engine_.objects[1].meshes[0].frames[0];
  ASSERT_EQ(a.triangles.count, b.triangles.count);
  EXPECT_EQ(std::memcmp(a.triangles.data, b.triangles.data, sizeof(MeshNode) * a.triangles.count), 0);
}

TEST_F(ObjectLoadTest, FailuresLeaveTheSlotEmpty) {
  const ByteBuilder header = ByteBuilder().U32(0x00C6B317u).F64(2.0);
  struct Case {
    const char* what;
    std::string name;
    int32_t slot;
    const char* log;  // after the failure
  };
  const Case cases[] = {
      {"empty name", "", 7, ""},
      {"missing file", dir_.File("missing.ddd"), 7, ""},
      {"no frames", Write("none.ddd", ByteBuilder(header).I32(0).I32(0).I32(0).bytes), 7, ""},
      {"no nodes", Write("empty.ddd", ByteBuilder(header).I32(1).I32(0).I32(0).I32(0).bytes), 7, ""},
      {"two bytes", Write("short.ddd", ";D"), 7, "# read error\n"},
      {"slot out of range", Write("quad.ddd", QuadModelBytes()), 4096, ""},
  };
  for (const Case& c : cases) {
    Occupy(7);
    EXPECT_EQ(Object3DLoad(&engine_, c.name.c_str(), c.slot), 0) << c.what;
    const Object3D& object = engine_.objects[7];
    if (c.slot == 7) {
      EXPECT_EQ(object.inUse, 0) << c.what;
      EXPECT_EQ(object.severalMeshes, 0) << c.what;
      EXPECT_EQ(object.meshes.count, 0) << c.what;
      EXPECT_EQ(object.meshes.step, 1) << c.what;
    }
    const std::string log = c.log[0] == '\0' ? "" : c.log + c.name + "\n";
    EXPECT_EQ(ReadFileBytes(ErrorLogPath()), log) << c.what;
    WriteFileBytes(ErrorLogPath(), "");
  }
  EXPECT_EQ(Object3DLoad(&engine_, nullptr, 3), 0);
}

}  // namespace
