#include "gfx3d/mesh_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gfx3d/mesh_records.h"
#include "tests/support/mesh_fixture.h"

namespace {

using Vec = std::vector<float>;

Vec NormalOf(const MeshNode& node) { return {node.normal[0], node.normal[1], node.normal[2]}; }

void ExpectNear(const Vec& actual, const Vec& expected, const char* what) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-6) << what << " component " << k;
}

// A quad in the plane z = 0 as a strip (0,0) (1,0) (0,1) (1,1), texture
// coordinates equal to x and y.
std::vector<MeshNode> FlatStrip() {
  std::vector<MeshNode> nodes = {MarkerNode(kMarkerStrip), NodeAt(0, 0, 0), NodeAt(1, 0, 0), NodeAt(0, 1, 0),
                                 NodeAt(1, 1, 0)};
  for (MeshNode& node : nodes) {
    node.u = node.position[0];
    node.v = node.position[1];
  }
  return nodes;
}

// The unit cube as 12 separate triangles, two per face, each face split
// along the diagonal through (0,0,0) or (1,1,1) and wound so that its face
// normal points outward.
std::vector<MeshNode> Cube(std::vector<Vec>* faceOfNode) {
  std::vector<MeshNode> nodes;
  for (int axis = 0; axis < 3; ++axis) {
    for (int side = 0; side < 2; ++side) {
      const int a = (axis + 1) % 3;
      const int b = (axis + 2) % 3;
      float corners[4][3] = {};
      const float around[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      for (int i = 0; i < 4; ++i) {
        corners[i][axis] = static_cast<float>(side);
        corners[i][a] = around[i][0];
        corners[i][b] = around[i][1];
      }
      Vec outward(3, 0.0f);
      outward[axis] = side == 0 ? -1.0f : 1.0f;
      // (p1 - p0) x (p2 - p1) must point inward for an outward normal.
      float e1[3];
      float e2[3];
      for (int k = 0; k < 3; ++k) {
        e1[k] = corners[1][k] - corners[0][k];
        e2[k] = corners[2][k] - corners[1][k];
      }
      const float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                              e1[0] * e2[1] - e1[1] * e2[0]};
      const bool flip = cross[0] * outward[0] + cross[1] * outward[1] + cross[2] * outward[2] > 0;
      const int order[2][6] = {{0, 1, 2, 0, 2, 3}, {0, 3, 2, 0, 2, 1}};
      for (int i : order[flip ? 1 : 0]) {
        nodes.push_back(NodeAt(corners[i][0], corners[i][1], corners[i][2]));
        faceOfNode->push_back(outward);
      }
    }
  }
  return nodes;
}

TEST(MeshNormalsTest, FlatQuadGetsOneNormal) {
  for (bool merge : {false, true}) {
    MeshObjectX mesh;
    AddFrame(mesh, FlatStrip());
    MeshBuildPalette(mesh);
    MeshComputeNormals(mesh, true, merge, true);
    for (int i = 1; i <= 4; ++i) {
      const MeshNode& node = mesh.frames[0].nodes[i];
      ExpectNear(NormalOf(node), {0, 0, -1}, "normal");
      ExpectNear({node.tangent[0], node.tangent[1], node.tangent[2]}, {1, 0, 0}, "tangent");
      ExpectNear({node.bitangent[0], node.bitangent[1], node.bitangent[2]}, {0, 1, 0}, "bitangent");
    }
    EXPECT_EQ(mesh.normalsValid, 1);
    EXPECT_EQ(mesh.tangentsValid, 1);
    ASSERT_EQ(mesh.drawNodes.count, 6);  // the triangle lists are rebuilt
    ExpectNear(NormalOf(mesh.drawNodes[5]), {0, 0, -1}, "draw list");
  }
}

TEST(MeshNormalsTest, CubeFacesOrMergedCorners) {
  std::vector<Vec> faceOfNode;
  const std::vector<MeshNode> cube = Cube(&faceOfNode);

  MeshObjectX faces;
  AddFrame(faces, cube);
  MeshComputeNormals(faces, true, false, false);
  for (size_t i = 0; i < cube.size(); ++i) ExpectNear(NormalOf(faces.frames[0].nodes[i]), faceOfNode[i], "face");
  EXPECT_EQ(faces.tangentsValid, 0);

  MeshObjectX merged;
  AddFrame(merged, cube);
  MeshComputeNormals(merged, true, true, false);
  const float d = 1.0f / std::sqrt(3.0f);
  for (const MeshNode& node : merged.frames[0].nodes) {
    const Vec n = NormalOf(node);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(n[k] > 0, node.position[k] > 0.5f) << "corners point outward";
    if (node.position[0] == node.position[1] && node.position[1] == node.position[2]) {
      const float s = node.position[0] > 0.5f ? d : -d;
      ExpectNear(n, {s, s, s}, "diagonal corner");
    }
  }
}

TEST(MeshNormalsTest, ComputedOnceUntilCleared) {
  MeshObjectX mesh;
  AddFrame(mesh, FlatStrip());
  MeshComputeNormals(mesh, true, false, false);
  mesh.frames[0].nodes[1].position[2] = 5.0f;
  MeshComputeNormals(mesh, true, false, false);
  ExpectNear(NormalOf(mesh.frames[0].nodes[1]), {0, 0, -1}, "second call");
  EXPECT_EQ(mesh.frames[0].nodes[1].tangent[0], 0.0f);
  MeshComputeNormals(mesh, true, false, true);  // tangents are still missing
  EXPECT_EQ(mesh.tangentsValid, 1);
  ExpectNear(NormalOf(mesh.frames[0].nodes[1]), {0, 0, -1}, "normals kept");
  EXPECT_NE(mesh.frames[0].nodes[1].tangent[0], 0.0f);
}

TEST(MeshNormalsTest, EachFrameGetsItsOwnNormals) {
  MeshObjectX mesh;
  AddFrame(mesh, FlatStrip());
  std::vector<MeshNode> turned = FlatStrip();  // the same quad in the plane y = 0
  for (MeshNode& node : turned) std::swap(node.position[1], node.position[2]);
  AddFrame(mesh, turned);
  MeshComputeNormals(mesh, true, true, false);
  ExpectNear(NormalOf(mesh.frames[0].nodes[2]), {0, 0, -1}, "frame 0");
  ExpectNear(NormalOf(mesh.frames[1].nodes[2]), {0, 1, 0}, "frame 1");
}

TEST(MeshNormalsTest, OddListsAreHarmless) {
  const float huge = 1e30f;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::vector<MeshNode>> lists = {
      {MarkerNode(kMarkerFan), MarkerNode(kMarkerStrip)},  // markers only
      {NodeAt(huge, huge, -huge), NodeAt(nan, 0, 0), NodeAt(0, nan, huge), NodeAt(1, 1, 1)},
      {NodeAt(0, 0, 0), NodeAt(0, 0, 0), NodeAt(0, 0, 0)},  // a degenerate triangle
  };
  for (const std::vector<MeshNode>& nodes : lists) {
    for (bool merge : {false, true}) {
      MeshObjectX mesh;
      AddFrame(mesh, nodes);
      MeshComputeNormals(mesh, true, merge, true);
      EXPECT_EQ(mesh.normalsValid, 1);
    }
  }
  MeshObjectX empty;
  MeshComputeNormals(empty, true, true, true);
  EXPECT_EQ(empty.normalsValid, 0);
}

}  // namespace
