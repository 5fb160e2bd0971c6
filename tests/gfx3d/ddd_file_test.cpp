#include "gfx3d/ddd_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "files/error_log.h"
#include "files/memory_file.h"
#include "gfx3d/mesh_records.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

class DddFileTest : public testing::Test {
 protected:
  void SetUp() override { tmpdir_.emplace("TMPDIR", dir_.path()); }

  std::string Path() const { return dir_.File("model.ddd"); }

  bool Load(const std::string& bytes, MeshObject& mesh) {
    WriteFileBytes(Path(), bytes);
    return MeshLoadDdd(mesh, Path().c_str());
  }

  std::string TakeLog() {
    const std::string text = ReadFileBytes(ErrorLogPath());
    WriteFileBytes(ErrorLogPath(), "");
    return text;
  }

  ScratchDir dir_;
  std::optional<ScopedEnv> tmpdir_;
};

// A model of two frames of three vertices in the given layout, with
// positions that the packed layout holds exactly.
std::string TwoFrames(double version, int32_t coordinates = 3) {
  ByteBuilder b;
  b.U32(0x00C6B317u).F64(version).I32(2).I32(2).I32(coordinates);
  b.U32(0x00332211u).U32(0x00665544u);
  for (int i = 0; i < coordinates; ++i) b.F32(0.25f * i).F32(1.0f - 0.25f * i);
  const bool packed = version < 2.0;
  for (int f = 0; f < 2; ++f) {
    b.I32(3);
    if (packed) b.F32(1.0f).F32(2.0f).F32(3.0f).F32(0.5f).F32(0.5f).F32(2.0f);
    for (int i = 0; i < 3; ++i) {
      const float p[3] = {static_cast<float>(i + f), -1.0f, 4.0f};
      if (packed) {
        // (byte - offset) * scale = p
        b.U8(static_cast<uint8_t>(p[0] / 0.5f + 1.0f)).U8(static_cast<uint8_t>(p[1] / 0.5f + 2.0f));
        b.U8(static_cast<uint8_t>(p[2] / 2.0f + 3.0f));
      } else {
        b.F32(p[0]).F32(p[1]).F32(p[2]);
      }
      b.U8(static_cast<uint8_t>(5 + i)).U8(static_cast<uint8_t>(i % 2));
    }
  }
  return b.bytes;
}

TEST(DddNormalTableTest, UnitDirectionsInOppositePairs) {
  for (int i = 0; i < kDddNormalCount; ++i) {
    const float* n = kDddNormals[i];
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0, 2e-6) << i;
    int opposite = 0;
    int same = 0;
    for (int j = 0; j < kDddNormalCount; ++j) {
      const float* m = kDddNormals[j];
      if (std::fabs(n[0] + m[0]) + std::fabs(n[1] + m[1]) + std::fabs(n[2] + m[2]) < 1e-6f) ++opposite;
      if (std::fabs(n[0] - m[0]) + std::fabs(n[1] - m[1]) + std::fabs(n[2] - m[2]) < 1e-6f) ++same;
    }
    EXPECT_EQ(opposite, 1) << i;
    EXPECT_EQ(same, 1) << i;
  }
  EXPECT_EQ(kDddNormals[0][0], -0.525731f);
  EXPECT_EQ(kDddNormals[5][2], 1.0f);
  EXPECT_EQ(kDddNormals[84][2], -1.0f);
  EXPECT_EQ(kDddNormals[161][1], -0.587785f);
}

TEST_F(DddFileTest, BothLayoutsReadTheSameModel) {
  MeshObjectX current;
  MeshObjectX packed;
  ASSERT_TRUE(Load(TwoFrames(2.0), current));
  ASSERT_TRUE(Load(TwoFrames(1.02), packed));
  EXPECT_EQ(TakeLog(), "");
  for (const MeshObjectX* mesh : {&current, &packed}) {
    EXPECT_EQ(mesh->normalsValid, 1);
    EXPECT_EQ(mesh->tangentsValid, 0);
    ASSERT_EQ(mesh->palette.count, 2);
    EXPECT_EQ(mesh->palette[1], 0x00665544u);
    ASSERT_EQ(mesh->frames.count, 2);
    ASSERT_EQ(mesh->frames[1].nodes.count, 3);
  }
  for (int f = 0; f < 2; ++f) {
    for (int i = 0; i < 3; ++i) {
      const MeshNode& a = current.frames[f].nodes[i];
      const MeshNode& b = packed.frames[f].nodes[i];
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(a.position[k], b.position[k]) << f << i << k;
        EXPECT_EQ(a.normal[k], kDddNormals[5 + i][k]);
        EXPECT_EQ(b.normal[k], kDddNormals[5 + i][k]);
      }
      EXPECT_EQ(a.position[0], static_cast<float>(i + f));
      EXPECT_EQ(a.colourIndex, i % 2);
      EXPECT_EQ(a.colour, i % 2 ? 0x00665544u : 0x00332211u);
      EXPECT_FLOAT_EQ(a.green, 0x22 / 255.0f * (i % 2 == 0) + 0x55 / 255.0f * (i % 2));
      EXPECT_EQ(a.colour, b.colour);
      EXPECT_EQ(a.u, 0.25f * i);
      EXPECT_EQ(b.u, a.u);
      EXPECT_EQ(a.v, 1.0f - 0.25f * i);
      EXPECT_EQ(b.v, -a.v);
    }
  }
  EXPECT_EQ(packed.frames[0].nodes[0].tangent[2], kDddNormals[0][2]);
}

TEST_F(DddFileTest, VersionsOutsideTheRangeAreRefused) {
  struct Case {
    double version;
    const char* log;  // null: accepted
  };
  const Case cases[] = {
      {1.02, nullptr},
      {1.5, nullptr},
      {2.0, nullptr},
      {2.01, "Wrong .ddd version: 2.01. Can use 1.02-2.00\n"},
      {1.01, "Wrong .ddd version: 1.01. Can use 1.02-2.00\n"},
      {std::numeric_limits<double>::quiet_NaN(), "Wrong .ddd version: nan. Can use 1.02-2.00\n"},
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    EXPECT_EQ(Load(TwoFrames(c.version), mesh), c.log == nullptr) << c.version;
    const std::string expected = c.log == nullptr ? "" : std::string(c.log) + "# read error\n" + Path() + "\n";
    EXPECT_EQ(TakeLog(), expected) << c.version;
    EXPECT_EQ(mesh.frames.data == nullptr, c.log != nullptr);
  }
}

TEST_F(DddFileTest, SavedModelsReadBack) {
  MeshObjectX mesh;
  ASSERT_TRUE(Load(TwoFrames(2.0), mesh));
  const float normals[3][3] = {{0, 0, 0}, {0, 0, 1}, {0, 0, -2}};
  const int expectedIndex[3] = {0, 5, 84};
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) mesh.frames[1].nodes[i].normal[k] = normals[i][k];
  }
  mesh.frames[0].nodes[2].normal[0] = 0.9f;  // off the table: the nearest direction
  mesh.frames[0].nodes[2].normal[1] = 0.1f;
  mesh.frames[0].nodes[2].normal[2] = 0.0f;
  const std::string saved = dir_.File("saved.ddd");
  ASSERT_TRUE(MeshSave(mesh, saved.c_str()));

  const std::string bytes = ReadFileBytes(saved);
  ASSERT_EQ(bytes.size(), 24u + 2 * 4 + 3 * 8 + 2 * (4 + 3 * 14));
  const size_t frame1 = 24 + 8 + 24 + 4 + 3 * 14 + 4;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<uint8_t>(bytes[frame1 + 14 * i + 12]), expectedIndex[i]);

  MeshObjectX again;
  ASSERT_TRUE(MeshLoadDdd(again, saved.c_str()));
  ASSERT_EQ(again.frames.count, 2);
  EXPECT_EQ(std::vector<uint32_t>(again.palette.begin(), again.palette.end()),
            std::vector<uint32_t>(mesh.palette.begin(), mesh.palette.end()));
  for (int f = 0; f < 2; ++f) {
    for (int i = 0; i < 3; ++i) {
      const MeshNode& a = mesh.frames[f].nodes[i];
      const MeshNode& b = again.frames[f].nodes[i];
      for (int k = 0; k < 3; ++k) EXPECT_EQ(a.position[k], b.position[k]);
      EXPECT_EQ(a.u, b.u);
      EXPECT_EQ(a.v, b.v);
      EXPECT_EQ(a.colourIndex, b.colourIndex);
      EXPECT_EQ(a.colour, b.colour);
    }
  }
  // (0.9, 0.1, 0) becomes the direction with the greatest cosine to it.
  float bestCos = -2.0f;
  int best = -1;
  for (int t = 0; t < kDddNormalCount; ++t) {
    const float c = (0.9f * kDddNormals[t][0] + 0.1f * kDddNormals[t][1]) / std::sqrt(0.82f);
    if (c >= bestCos) {
      bestCos = c;
      best = t;
    }
  }
  EXPECT_EQ(again.frames[0].nodes[2].normal[0], kDddNormals[best][0]);
  EXPECT_EQ(again.frames[1].nodes[2].normal[2], -1.0f);
}

TEST_F(DddFileTest, SavingNeedsFramesAndADiskName) {
  MeshObjectX empty;
  const std::string saved = dir_.File("saved.ddd");
  WriteFileBytes(saved, "old");
  EXPECT_FALSE(MeshSave(empty, saved.c_str()));
  EXPECT_EQ(ReadFileBytes(saved), "old");

  MeshObjectX noNodes;
  AddFrame(noNodes, {});
  const std::string block(64, '\0');
  const std::string memoryName = MemoryFilePublish(block.data(), 64);
  EXPECT_FALSE(MeshSave(noNodes, memoryName.c_str()));
  MemoryFileWithdraw(block.data());
  EXPECT_FALSE(MeshSave(noNodes, dir_.File("no/such/folder.ddd").c_str()));
  ASSERT_TRUE(MeshSave(noNodes, saved.c_str()));
  const std::string bytes = ReadFileBytes(saved);
  EXPECT_EQ(bytes, ByteBuilder().U32(0x00C6B317u).F64(2.0).I32(1).I32(0).I32(0).I32(0).bytes);
}

TEST_F(DddFileTest, MemoryBlocksReadAsFiles) {
  const std::string bytes = QuadModelBytes();
  const std::string name = MemoryFilePublish(bytes.data(), static_cast<uint32_t>(bytes.size()));
  MeshObjectX fromMemory;
  MeshObjectX fromFile;
  EXPECT_TRUE(MeshLoadDdd(fromMemory, name.c_str()));
  MemoryFileWithdraw(bytes.data());
  ASSERT_TRUE(Load(bytes, fromFile));
  ASSERT_EQ(fromMemory.frames.count, 1);
  ASSERT_EQ(fromMemory.frames[0].nodes.count, fromFile.frames[0].nodes.count);
  EXPECT_EQ(std::memcmp(fromMemory.frames[0].nodes.data, fromFile.frames[0].nodes.data, 5 * sizeof(MeshNode)), 0);
  EXPECT_FALSE(MeshLoadDdd(fromMemory, name.c_str()));  // withdrawn: no such file
  EXPECT_FALSE(MeshLoadDdd(fromMemory, ""));
  EXPECT_FALSE(MeshLoadDdd(fromMemory, dir_.File("missing.ddd").c_str()));
  EXPECT_EQ(TakeLog(), "");
}

// Damaged files: every refusal clears the mesh and logs the read error;
// values the writer itself can produce are read with defined results.
TEST_F(DddFileTest, DamagedFiles) {
  const std::string good = TwoFrames(2.0);
  const std::string packed = TwoFrames(1.02);
  for (const std::string* file : {&good, &packed}) {
    for (size_t n = 0; n < file->size(); ++n) {
      MeshObjectX mesh;
      EXPECT_FALSE(Load(file->substr(0, n), mesh)) << n;
      EXPECT_EQ(mesh.frames.data, nullptr);
      EXPECT_EQ(TakeLog(), "# read error\n" + Path() + "\n") << n;
    }
  }
  auto header = [](int32_t frames, int32_t colours, int32_t coordinates) {
    return ByteBuilder().U32(0x00C6B317u).F64(2.0).I32(frames).I32(colours).I32(coordinates);
  };
  const std::string refused[] = {
      header(0x7FFFFFFF, 0, 0).bytes,
      header(-1, 0, 0).bytes,
      header(1, 0x7FFFFFFF, 0).bytes,
      header(1, -5, 0).bytes,
      header(1, 0, 0x40000000).bytes,
      header(1, 0, -1).bytes,
      header(1, 0, 0).I32(0x7FFFFFFF).bytes,
      header(1, 0, 0).I32(-3).bytes,
      header(2, 0, 0).I32(0).bytes,  // the second frame is missing
      ByteBuilder().U32(0x00C6B317u).F64(1.5).I32(1).I32(0).I32(0).I32(0x30000000).bytes,
  };
  for (const std::string& file : refused) {
    MeshObjectX mesh;
    EXPECT_FALSE(Load(file, mesh)) << testing::PrintToString(file);
    EXPECT_EQ(TakeLog(), "# read error\n" + Path() + "\n");
  }

  // A normal index past the table, a colour index past the palette and a
  // vertex past the coordinates.
  MeshObjectX mesh;
  ASSERT_TRUE(Load(header(1, 1, 1).U32(0x000000FFu).F32(0.5f).F32(0.75f).I32(2)
                       .F32(1).F32(2).F32(3).U8(162).U8(0)
                       .F32(4).F32(5).F32(6).U8(255).U8(9).bytes,
                   mesh));
  const MeshNode& first = mesh.frames[0].nodes[0];
  const MeshNode& second = mesh.frames[0].nodes[1];
  EXPECT_EQ(first.normal[0], kDddNormals[0][0]);
  EXPECT_EQ(first.colour, 0x000000FFu);
  EXPECT_EQ(first.v, 0.75f);
  EXPECT_EQ(second.normal[2], kDddNormals[0][2]);
  EXPECT_EQ(second.colour, kColourNone);
  EXPECT_EQ(second.colourIndex, 9);
  EXPECT_EQ(second.alpha, 1.0f);
  EXPECT_EQ(second.u, 0.0f);
  EXPECT_EQ(second.v, 0.0f);
}

}  // namespace
