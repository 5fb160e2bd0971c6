#include "gfx3d/mesh_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/mesh_fixture.h"

namespace {

TEST(MeshRecordsTest, ColourWordsToFloats) {
  struct Case {
    uint32_t colour;
    float red, green, blue, alpha;
  };
  const Case cases[] = {
      {0x00FF8040u, 64 / 255.0f, 128 / 255.0f, 1.0f, 1.0f},
      {0xFFFFFFFCu, 1.0f, 1.0f, 1.0f, 1.0f},
      {kMarkerStrip, 1.0f, 1.0f, 1.0f, 1.0f},
      {0x000000FFu, 1.0f, 0.0f, 0.0f, 1.0f},
      {0xFFFFFFFBu, 251 / 255.0f, 1.0f, 1.0f, 1.0f},  // the high byte is ignored
  };
  for (const Case& c : cases) {
    MeshNode node;
    MeshNodeSetColour(node, c.colour);
    EXPECT_EQ(node.colour, c.colour);
    EXPECT_FLOAT_EQ(node.red, c.red) << std::hex << c.colour;
    EXPECT_FLOAT_EQ(node.green, c.green) << std::hex << c.colour;
    EXPECT_FLOAT_EQ(node.blue, c.blue) << std::hex << c.colour;
    EXPECT_FLOAT_EQ(node.alpha, c.alpha) << std::hex << c.colour;
  }
}

TEST(MeshRecordsTest, FrameCopiesAreSizedExactly) {
  for (int count : {0, 1, 100}) {
    MeshFrame source;
    for (int i = 0; i < count; ++i) source.nodes.Push(NodeAt(static_cast<float>(i), 2.0f * i, -1.0f, 0x123456u + i));
    source.radius = 7.0f;
    source.centre[2] = 3.0f;
    MeshFrame copy;
    copy = source;
    EXPECT_EQ(copy.nodes.count, count);
    EXPECT_EQ(copy.nodes.capacity, count <= 1 ? 1 : count + 1);
    EXPECT_EQ(copy.triangles.capacity, 1);
    EXPECT_EQ(copy.nodes.step, 1);
    EXPECT_EQ(copy.radius, 7.0f);
    EXPECT_EQ(copy.centre[2], 3.0f);
    if (count > 0) {
      EXPECT_EQ(std::memcmp(copy.nodes.data, source.nodes.data, sizeof(MeshNode) * count), 0);
    }
    copy = copy;  // a frame assigned to itself keeps its nodes
    EXPECT_EQ(copy.nodes.count, count);
  }
}

TEST(MeshRecordsTest, ClearKeepsOrReleasesTheBlocks) {
  MeshObjectX mesh;
  AddFrame(mesh, NodesFromIds({1, 2, 3}));
  AddFrame(mesh, NodesFromIds({4, 5, 6}));
  mesh.BuildTriangles();
  MeshBuildPalette(mesh);
  mesh.normalsValid = mesh.tangentsValid = 1;

  mesh.Clear(false);
  EXPECT_EQ(mesh.frames.count, 0);
  ASSERT_NE(mesh.frames.data, nullptr);
  EXPECT_EQ(mesh.frames[1].nodes.count, 0);
  EXPECT_NE(mesh.frames[1].nodes.data, nullptr);
  EXPECT_NE(mesh.frames[0].triangles.data, nullptr);
  EXPECT_NE(mesh.palette.data, nullptr);
  EXPECT_EQ(mesh.palette.count, 0);
  EXPECT_NE(mesh.drawNodes.data, nullptr);
  EXPECT_EQ(mesh.normalsValid + mesh.tangentsValid, 0);

  mesh.normalsValid = 1;
  mesh.Clear(true);
  EXPECT_EQ(mesh.frames.data, nullptr);
  EXPECT_EQ(mesh.palette.data, nullptr);
  EXPECT_EQ(mesh.drawNodes.data, nullptr);
  EXPECT_EQ(mesh.normalsValid, 0);
}

TEST(MeshRecordsTest, PaletteFromNodeColours) {
  const uint32_t a = 0x00112233u;
  const uint32_t b = 0x00445566u;
  MeshObjectX mesh;
  AddFrame(mesh, {NodeAt(0, 0, 0, a), NodeAt(0, 0, 0, b), NodeAt(0, 0, 0, a), MarkerNode(kMarkerTriangles),
                  NodeAt(0, 0, 0, b)});
  AddFrame(mesh, {NodeAt(0, 0, 0, 0x00000001u), NodeAt(0, 0, 0, b)});
  MeshBuildPalette(mesh);
  EXPECT_EQ(std::vector<uint32_t>(mesh.palette.begin(), mesh.palette.end()),
            (std::vector<uint32_t>{a, b, kMarkerTriangles, 0x00000001u}));
  std::vector<int> indices;
  for (const MeshFrame& frame : mesh.frames) {
    for (const MeshNode& node : frame.nodes) indices.push_back(node.colourIndex);
  }
  EXPECT_EQ(indices, (std::vector<int>{0, 1, 0, 2, 1, 3, 1}));
}

TEST(MeshRecordsTest, PaletteIndicesWrapPast256Entries) {
  MeshObjectX mesh;
  std::vector<MeshNode> nodes;
  for (uint32_t i = 0; i < 300; ++i) nodes.push_back(NodeAt(0, 0, 0, i));
  AddFrame(mesh, nodes);
  MeshBuildPalette(mesh);
  EXPECT_EQ(mesh.palette.count, 300);
  EXPECT_EQ(mesh.frames[0].nodes[299].colourIndex, 299 & 255);
}

TEST(MeshRecordsTest, MeshCopySizesEachArrayAndNamesNoGlObject) {
  struct Case {
    int32_t sourceCapacity;
    int32_t copyCapacity;
  };
  const Case cases[] = {{3, 512}, {512, 512}, {600, 640}, {640, 768}};
  for (const Case& c : cases) {
    MeshObjectX source;
    source.frames.step = source.frames.first = 1;
    ASSERT_TRUE(source.frames.Reserve(c.sourceCapacity - 1));
    ASSERT_EQ(source.frames.capacity, c.sourceCapacity);
    source.frames.count = 2;
    source.frames[1].nodes.Push(NodeAt(5, 6, 7));
    source.palette.Push(0x00ABCDEFu);
    source.edges.Push(MeshEdge{4, 1, {}});
    source.facing.Push(1);
    source.normalsValid = 1;
    source.hasColours = 1;
    source.celRowStep = 0.25f;
    source.staticBuffer = 11;
    source.streamBuffer = 12;
    source.textureIndex[0] = 2;
    source.textureIndex[1] = 3;

    MeshObjectX copy;
    copy = source;
    EXPECT_EQ(copy.frames.capacity, c.copyCapacity) << c.sourceCapacity;
    EXPECT_EQ(copy.frames.count, 2);
    EXPECT_EQ(copy.frames.step, 1);
    EXPECT_EQ(copy.frames[1].nodes.count, 1);
    EXPECT_EQ(copy.frames[1].nodes[0].position[2], 7.0f);
    EXPECT_EQ(copy.palette[0], 0x00ABCDEFu);
    EXPECT_EQ(copy.edges[0].neighbour, 4);
    EXPECT_EQ(copy.facing.count, 1);
    EXPECT_EQ(copy.normalsValid, 1);
    EXPECT_EQ(copy.hasColours, 1);
    EXPECT_EQ(copy.celRowStep, 0.25f);
    EXPECT_EQ(copy.staticBuffer + copy.streamBuffer + copy.rampTexture, 0u);
    EXPECT_EQ(copy.textureIndex[0], 2);
    EXPECT_EQ(copy.textureIndex[1], 3);
    // The names were never made by GL here: forget them before the source dies.
    source.staticBuffer = source.streamBuffer = 0;
  }
}

TEST(MeshRecordsTest, MeshFreeEmptiesTheEdgeAndFacingArrays) {
  for (bool release : {false, true}) {
    MeshObjectX mesh;
    AddFrame(mesh, NodesFromIds({1, 2, 3}));
    mesh.edges.Push(MeshEdge{});
    mesh.facing.Push(1);
    MeshFree(mesh, release);
    EXPECT_EQ(mesh.frames.count, 0);
    EXPECT_EQ(mesh.frames.data == nullptr, release);
    EXPECT_EQ(mesh.edges.data == nullptr, release);
    EXPECT_EQ(mesh.facing.data == nullptr, release);
    EXPECT_EQ(mesh.edges.count + mesh.facing.count, 0);
    EXPECT_EQ(mesh.edges.step, 64);
    EXPECT_EQ(mesh.facing.first, 64);
  }
}

}  // namespace
