#include "gfx3d/triangle_lists.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfx3d/dodevudi3d.h"
#include "tests/support/mesh_fixture.h"

namespace {

TEST(TriangleListsTest, GroupsBecomeTriangles) {
  struct Case {
    const char* what;
    std::vector<int> nodes;      // -1 separate, -2 strip, -3 fan
    std::vector<int> triangles;  // three ids a triangle
  };
  const Case cases[] = {
      {"strip", {-2, 1, 2, 3, 4, 5}, {1, 2, 3, 3, 2, 4, 3, 4, 5}},
      {"strip of six", {-2, 0, 1, 2, 3, 4, 5}, {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5}},
      {"no marker: separate", {1, 2, 3, 4}, {1, 2, 3}},
      {"fan then separate", {-3, 1, 2, 3, 4, -1, 5, 6, 7}, {1, 2, 3, 1, 3, 4, 5, 6, 7}},
      {"marker inside a strip", {-2, 1, 2, 3, 4, -2, 5, 6, 7}, {1, 2, 3, 3, 2, 4, 5, 6, 7}},
      {"marker drops two pending", {-2, 1, 2, -3, 5, 6, 7}, {5, 6, 7}},
      {"separate pairs", {-1, 1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6}},
      {"markers only", {-1, -2, -3}, {}},
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    AddFrame(mesh, NodesFromIds(c.nodes));
    AddFrame(mesh, NodesFromIds(c.nodes));
    MeshBuildPalette(mesh);
    mesh.BuildTriangles();
    EXPECT_EQ(IdsOf(mesh.frames[0].triangles), c.triangles) << c.what;
    EXPECT_EQ(IdsOf(mesh.frames[1].triangles), c.triangles) << c.what;
    EXPECT_EQ(IdsOf(mesh.drawNodes), c.triangles) << c.what;
  }
}

TEST(TriangleListsTest, MarkersAreReadThroughThePalette) {
  MeshObjectX mesh;
  // The first node's colour is the strip marker, but its palette entry
  // (index 0) is white: it is a vertex. An index past the palette is a
  // vertex too.
  std::vector<MeshNode> nodes = NodesFromIds({-2, 1, 2, 3, 4});
  nodes[0].position[0] = 9.0f;
  nodes[4].colourIndex = 7;
  AddFrame(mesh, nodes);
  mesh.palette.Push(0x00FFFFFFu);
  mesh.BuildTriangles();
  EXPECT_EQ(IdsOf(mesh.frames[0].triangles), (std::vector<int>{9, 1, 2}));
}

TEST(TriangleListsTest, HasColoursFromThePalette) {
  struct Case {
    std::vector<uint32_t> palette;
    int32_t hasColours;
  };
  const Case cases[] = {
      {{}, 0},
      {{0x00FFFFFFu, kMarkerStrip, kMarkerFan, kColourNone}, 0},
      {{0x00FFFFFFu, kMarkerStrip, 0x000000FFu}, 1},
      {{0x00000000u}, 1},
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    AddFrame(mesh, NodesFromIds({1, 2, 3}));
    mesh.hasColours = 1 - c.hasColours;
    for (uint32_t entry : c.palette) mesh.palette.Push(entry);
    mesh.BuildTriangles();
    EXPECT_EQ(mesh.hasColours, c.hasColours) << c.palette.size();
  }
}

TEST(TriangleListsTest, AMeshWithoutFramesIsLeftAlone) {
  MeshObjectX mesh;
  mesh.drawNodes.Push(NodeAt(1, 2, 3));
  mesh.palette.Push(0x000000FFu);
  mesh.BuildTriangles();
  EXPECT_EQ(mesh.drawNodes.count, 1);
  EXPECT_EQ(mesh.hasColours, 0);
}

TEST(TriangleListsTest, ShrinkCutsEveryMeshToOneFrameOfThreeNodes) {
  Dodevudi3D engine(nullptr);
  Object3D& object = engine.objects[17];
  object.meshes.count = 0;
  ASSERT_TRUE(object.meshes.Reserve(2));
  object.meshes.count = 2;
  AddFrame(object.meshes[0], NodesFromIds({-2, 1, 2, 3, 4, 5}));
  AddFrame(object.meshes[0], NodesFromIds({-2, 6, 7, 8, 9, 10}));
  AddFrame(object.meshes[1], NodesFromIds({4}));  // fewer than three nodes
  for (MeshObjectX& mesh : object.meshes) {
    MeshBuildPalette(mesh);
    mesh.BuildTriangles();
    mesh.edges.Push(MeshEdge{});
    mesh.facing.Push(1);
  }

  Object3DShrink(&engine, 17);
  Object3DShrink(&engine, 4096);  // no such slot
  Object3DShrink(&engine, -1);
  for (MeshObjectX& mesh : object.meshes) {
    ASSERT_EQ(mesh.frames.count, 1);
    EXPECT_EQ(mesh.frames[0].nodes.count, 3);
    EXPECT_EQ(mesh.frames[0].triangles.count, 1);
    EXPECT_EQ(mesh.palette.count, 0);
    EXPECT_EQ(mesh.edges.count, 0);
    EXPECT_EQ(mesh.facing.count, 0);
    EXPECT_EQ(mesh.drawNodes.count, 3);
  }
  EXPECT_EQ(IdsOf(object.meshes[0].frames[0].nodes), (std::vector<int>{0, 1, 2}));  // the marker is node 0
  EXPECT_EQ(IdsOf(object.meshes[1].frames[0].nodes), (std::vector<int>{4, 0, 0}));
  EXPECT_EQ(object.meshes[1].frames[0].nodes[2].colour, 0u);
}

}  // namespace
