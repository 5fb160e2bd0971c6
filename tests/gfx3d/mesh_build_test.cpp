#include "gfx3d/mesh_build.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/test_env.h"

namespace {

class MeshBuildTest : public testing::Test {
 protected:
  void SetUp() override { g_objectBeingBuilt = -1; }
  void TearDown() override { g_objectBeingBuilt = -1; }

  MeshObjectX& Mesh0(int32_t slot) { return engine_.objects[slot].meshes[0]; }

  // Vertices at x = first, first + 1, ... (y = x * x, so no three are in
  // a line), each with the colour word of its number.
  void Vertices(int first, int count) {
    for (int i = first; i < first + count; ++i) {
      const float x = static_cast<float>(i);
      ObjectBuildVertex(&engine_, x, x * x, 0.0f, 0.5f, 0.25f, static_cast<uint32_t>(i));
    }
  }

  Dodevudi3D engine_{nullptr};
};

TEST_F(MeshBuildTest, BeginMakesOneFrameWithAGroupMarker) {
  engine_.frameBeingBuilt = 5;
  for (int32_t kind : {0, 1, 2, 7}) {
    ObjectBuildBegin(&engine_, 9, kind);
    EXPECT_EQ(g_objectBeingBuilt, 9);
    EXPECT_EQ(engine_.frameBeingBuilt, 0);
    EXPECT_EQ(engine_.objects[9].inUse, 0);
    ASSERT_EQ(engine_.objects[9].meshes.count, 1);
    ASSERT_EQ(Mesh0(9).frames.count, 1);
    ASSERT_EQ(Mesh0(9).frames[0].nodes.count, 1);
    const uint32_t expected = kind == 0 ? kMarkerTriangles : kind == 2 ? kMarkerFan : kMarkerStrip;
    EXPECT_EQ(Mesh0(9).frames[0].nodes[0].colour, expected);
    EXPECT_EQ(Mesh0(9).frames[0].nodes[0].alpha, 1.0f);
    EXPECT_EQ(engine_.nodeTemplate.normal[2], 1.0f);
  }
  ObjectBuildBegin(&engine_, 4096, 1);  // no such slot: nothing begins
  EXPECT_EQ(g_objectBeingBuilt, 9);
}

TEST_F(MeshBuildTest, VerticesCopyTheTemplateAndTraceTheirCount) {
  ObjectBuildBegin(&engine_, 2, 1);
  ObjectBuildNormal(&engine_, 0.0f, 1.0f, 0.0f);
  testing::internal::CaptureStdout();
  ObjectBuildVertex(&engine_, 1.0f, 2.0f, 3.0f, 0.5f, 0.25f, 0x000000FFu);
  ObjectBuildVertex(&engine_, 4.0f, 5.0f, 6.0f, 0.0f, -1.0f, 0xFFFFFFFFu);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "0 2\n0 3\n");
  const MeshNode& node = Mesh0(2).frames[0].nodes[1];
  EXPECT_EQ(node.position[2], 3.0f);
  EXPECT_EQ(node.u, 0.5f);
  EXPECT_EQ(node.v, -0.25f);
  EXPECT_EQ(node.normal[1], 1.0f);
  EXPECT_EQ(node.colour, 0x000000FFu);
  EXPECT_EQ(node.red, 1.0f);
  EXPECT_EQ(node.green, 0.0f);
  EXPECT_EQ(node.blue, 0.0f);
  EXPECT_EQ(node.alpha, 1.0f);
  const MeshNode& marker = Mesh0(2).frames[0].nodes[2];
  EXPECT_EQ(marker.v, 1.0f);
  EXPECT_EQ(marker.green, 1.0f);
}

TEST_F(MeshBuildTest, NothingHappensWithoutABuild) {
  ObjectBuildBegin(&engine_, 2, 1);
  ObjectBuildEnd(&engine_);
  const MeshNode before = engine_.nodeTemplate;
  testing::internal::CaptureStdout();
  ObjectBuildNormal(&engine_, 7.0f, 7.0f, 7.0f);
  ObjectBuildVertex(&engine_, 1.0f, 2.0f, 3.0f, 0.0f, 0.0f, 0u);
  ObjectBuildNewGroup(&engine_, 0);
  ObjectBuildSetFrame(&engine_, 2);
  ObjectBuildEnd(&engine_);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(engine_.nodeTemplate.normal[0], before.normal[0]);
  EXPECT_EQ(engine_.objects[2].meshes.count, 1);
  EXPECT_EQ(Mesh0(2).frames.count, 0);  // freed: fewer than three nodes
}

TEST_F(MeshBuildTest, SelectingFramesMakesThemAndStartsThemWithNodeZero) {
  ObjectBuildBegin(&engine_, 0, 1);
  Vertices(1, 3);
  ObjectBuildSetFrame(&engine_, -1);
  EXPECT_EQ(engine_.frameBeingBuilt, 0);
  EXPECT_EQ(Mesh0(0).frames.count, 1);

  ObjectBuildSetFrame(&engine_, 3);
  ASSERT_EQ(Mesh0(0).frames.count, 4);
  EXPECT_EQ(engine_.frameBeingBuilt, 3);
  EXPECT_EQ(Mesh0(0).frames[1].nodes.count, 0);
  EXPECT_EQ(Mesh0(0).frames[2].nodes.count, 0);
  ASSERT_EQ(Mesh0(0).frames[3].nodes.count, 1);
  EXPECT_EQ(Mesh0(0).frames[3].nodes[0].colour, kMarkerStrip);
  ObjectBuildSetFrame(&engine_, 3);
  EXPECT_EQ(Mesh0(0).frames[3].nodes.count, 1);
  ObjectBuildSetFrame(&engine_, INT32_MAX);
  EXPECT_EQ(engine_.frameBeingBuilt, 3);
}

TEST_F(MeshBuildTest, EndMakesADrawableObjectWithBounds) {
  ObjectBuildBegin(&engine_, 5, 1);
  ObjectBuildVertex(&engine_, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0x00FFFFFFu);
  ObjectBuildVertex(&engine_, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0x000000FFu);
  ObjectBuildVertex(&engine_, 1.0f, 3.0f, 0.0f, 0.0f, 0.0f, 0x00FFFFFFu);
  ObjectBuildEnd(&engine_);
  EXPECT_EQ(g_objectBeingBuilt, -1);
  EXPECT_EQ(engine_.objects[5].inUse, 1);
  const MeshObjectX& mesh = Mesh0(5);
  EXPECT_EQ(mesh.palette.count, 3);  // strip marker, white, red
  EXPECT_EQ(mesh.hasColours, 1);
  ASSERT_EQ(mesh.frames[0].triangles.count, 3);
  EXPECT_EQ(mesh.drawNodes.count, 3);
  EXPECT_FLOAT_EQ(mesh.frames[0].centre[0], 1.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].centre[1], 1.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].radius, 2.0f);  // (1, 3) is 2 from the centre
  EXPECT_EQ(mesh.normalsValid, 1);
}

TEST_F(MeshBuildTest, EndRefusesTooFewNodesAndUnequalFrames) {
  ObjectBuildBegin(&engine_, 5, 1);
  Vertices(1, 1);  // two nodes with the marker
  ObjectBuildEnd(&engine_);
  EXPECT_EQ(engine_.objects[5].inUse, 0);
  EXPECT_EQ(Mesh0(5).frames.count, 0);

  DebugCapture debugger;
  ObjectBuildBegin(&engine_, 5, 1);
  Vertices(1, 5);
  ObjectBuildSetFrame(&engine_, 1);
  Vertices(1, 4);
  ObjectBuildEnd(&engine_);
  EXPECT_EQ(debugger.Text(), "TXFrame 1 has 5 nodes, but must have (like frame 0) 6 nodes\n");
  EXPECT_EQ(engine_.objects[5].inUse, 0);
  EXPECT_EQ(Mesh0(5).frames[1].nodes.count, 5);  // the nodes stay
  EXPECT_EQ(g_objectBeingBuilt, -1);
}

// The group markers of a build are no vertices: fewer than three vertices
// leave the slot unused, however many markers come with them.
TEST_F(MeshBuildTest, EndCountsVerticesNotGroupMarkers) {
  const struct {
    int vertices;
    int extraGroups;
    uint8_t inUse;
  } cases[] = {{2, 0, 0}, {2, 3, 0}, {0, 2, 0}, {3, 0, 1}, {3, 1, 1}};
  for (const auto& c : cases) {
    ObjectBuildBegin(&engine_, 7, 0);
    for (int g = 0; g < c.extraGroups; ++g) ObjectBuildNewGroup(&engine_, 0);
    Vertices(1, c.vertices);
    ObjectBuildEnd(&engine_);
    EXPECT_EQ(engine_.objects[7].inUse, c.inUse) << c.vertices << " vertices, " << c.extraGroups << " groups";
    if (c.inUse == 0) {
      EXPECT_EQ(Mesh0(7).frames.count, 0) << c.vertices << " vertices, " << c.extraGroups << " groups";
    } else {
      EXPECT_EQ(Mesh0(7).frames[0].triangles.count, 3) << c.vertices << " vertices, " << c.extraGroups << " groups";
    }
  }
}

TEST_F(MeshBuildTest, NormalModes) {
  struct Case {
    int32_t mode;
    float normalZ;  // of the last node of a flat strip built with normal (0, 1, 0)
  };
  const Case cases[] = {{0, 0.0f}, {-1, 0.0f}, {1, -1.0f}, {2, -1.0f}};
  for (const Case& c : cases) {
    engine_.normalMode = c.mode;
    ObjectBuildBegin(&engine_, 1, 1);
    ObjectBuildNormal(&engine_, 0.0f, 1.0f, 0.0f);
    ObjectBuildVertex(&engine_, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0u);
    ObjectBuildVertex(&engine_, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0u);
    ObjectBuildVertex(&engine_, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0u);
    ObjectBuildVertex(&engine_, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0u);
    ObjectBuildEnd(&engine_);
    ASSERT_EQ(engine_.objects[1].inUse, 1) << c.mode;
    EXPECT_FLOAT_EQ(Mesh0(1).frames[0].nodes[4].normal[2], c.normalZ) << c.mode;
    EXPECT_FLOAT_EQ(Mesh0(1).drawNodes[5].normal[2], c.normalZ) << c.mode;
  }
}

TEST_F(MeshBuildTest, ASlotEmptiedDuringTheBuildTakesNoNodes) {
  ObjectBuildBegin(&engine_, 3, 1);
  Vertices(1, 3);
  Object3DReset(&engine_, 3);
  testing::internal::CaptureStdout();
  Vertices(1, 3);
  ObjectBuildNewGroup(&engine_, 1);
  ObjectBuildSetFrame(&engine_, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  ObjectBuildEnd(&engine_);
  EXPECT_EQ(engine_.objects[3].meshes.count, 0);
  EXPECT_EQ(engine_.objects[3].inUse, 0);
  EXPECT_EQ(g_objectBeingBuilt, -1);
}

TEST(MeshBoundsTest, ScalingAndBounds) {
  MeshObjectX mesh;
  MeshFrame& frame = AddFrame(mesh, NodesFromIds({-2, 1, 2, 3}));
  frame.nodes[1].normal[0] = 1.0f;
  frame.nodes[1].tangent[1] = 1.0f;
  MeshBuildPalette(mesh);
  mesh.BuildTriangles();
  AddFrame(mesh, {});  // an empty triangle list gets radius 0 at the origin
  mesh.frames[1].radius = 5.0f;
  mesh.frames[1].centre[0] = 5.0f;

  MeshScale(mesh, 2.0f, 2.0f, 2.0f);
  const float unit = 2.0f / std::sqrt(12.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].nodes[1].normal[0], unit);
  EXPECT_FLOAT_EQ(mesh.frames[0].nodes[1].tangent[1], unit);
  EXPECT_FLOAT_EQ(mesh.frames[0].nodes[3].position[0], 6.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].triangles[0].normal[0], 2.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].triangles[2].position[0], 6.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].centre[0], 4.0f);
  EXPECT_FLOAT_EQ(mesh.frames[0].radius, 2.0f);
  EXPECT_EQ(mesh.frames[1].radius, 0.0f);
  EXPECT_EQ(mesh.frames[1].centre[0], 0.0f);

  MeshScale(mesh, 0.0f, 0.0f, 0.0f);  // a zero scale is no direction: nodes take it as it is
  EXPECT_EQ(mesh.frames[0].nodes[1].normal[0], 0.0f);
  EXPECT_EQ(mesh.frames[0].radius, 0.0f);
}

}  // namespace
