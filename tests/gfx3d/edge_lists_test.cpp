#include "gfx3d/edge_lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "gfx3d/mesh_records.h"
#include "tests/support/edge_list_models.h"
#include "tests/support/mesh_fixture.h"

namespace {

// A mesh whose frame 0 has the triangle list of the corners given.
void SetTriangles(MeshObject& mesh, const std::vector<std::vector<float>>& corners) {
  if (mesh.frames.count == 0) AddFrame(mesh, {});
  mesh.frames[0].triangles.count = 0;
  for (const std::vector<float>& p : corners) mesh.frames[0].triangles.Push(NodeAt(p[0], p[1], p[2]));
}

std::vector<int> Neighbours(const MeshObject& mesh) {
  std::vector<int> n;
  for (const MeshEdge& edge : mesh.edges) n.push_back(edge.neighbour);
  return n;
}

std::vector<int> Facing(const MeshObject& mesh) { return std::vector<int>(mesh.facing.begin(), mesh.facing.end()); }

TEST(EdgeListsTest, SharedSidesNameEachOther) {
  struct Case {
    float gap;  // between the two copies of the shared corners
    std::vector<int> neighbours;
  };
  const Case cases[] = {
      {0.0f, {-1, 1, -1, 0, -1, -1}},
      {0.000005f, {-1, 1, -1, 0, -1, -1}},
      {0.00002f, {-1, -1, -1, -1, -1, -1}},
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    SetTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1 + c.gap, 0}, {1 + c.gap, 0, 0}, {1, 1, 0}, {5, 5, 5}});
    MeshBuildEdgeList(mesh);
    EXPECT_EQ(Neighbours(mesh), c.neighbours) << c.gap;  // the odd seventh node is no triangle
  }
}

// The builder gives the very list of the first, quadratic builder: the
// same welding (also in chains of corners each within reach of the next,
// and for coordinates that are not finite or very large) and the same
// neighbour for sides shared by more than two triangles.
TEST(EdgeListsTest, TheSameListAsTheFirstBuilder) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float big = 3e38f;
  struct Case {
    const char* label;
    std::function<void(MeshObject&)> make;
  };
  const Case cases[] = {
      {"torus", [](MeshObject& m) { SetTorusTriangles(m, 12, 16); }},
      {"lattice 1", [](MeshObject& m) { SetLatticeTriangles(m, 400, 1); }},
      {"lattice 2", [](MeshObject& m) { SetLatticeTriangles(m, 400, 2); }},
      {"lattice 3", [](MeshObject& m) { SetLatticeTriangles(m, 50, 3); }},
      {"special values",
       [&](MeshObject& m) {
         SetTriangles(m, {{0, 0, 0},         {-0.0f, 1, 0},     {1, 0, -0.0f},    {-0.0f, 0, 0},   {1, 0, 0},
                          {nan, 0, 0},       {nan, 0, 0},       {-0.0f, 1, 0},    {0, 0, 0},       {inf, 0, 0},
                          {inf, 0, 0},       {1, 0, 0},         {big, big, -big}, {big, 0, 1e30f}, {1e30f, 0, 0},
                          {big, 0, 1e30f},   {big, big, -big},  {-inf, 1, 1},     {1e30f, 0, 0},   {big, 0, 1e30f},
                          {1e30f, 1e-30f, 0}, {1e30f, 0, 0},    {0, 0, 0},        {1e30f, 1e-30f, 0}});
       }},
      {"one side in many triangles",
       [&](MeshObject& m) {
         SetTriangles(m, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, -1, 0}, {0, 0, 0}, {1, 0, 0},
                          {0, 0, 1}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, -1}});
       }},
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    c.make(mesh);
    MeshObjectX reference;
    c.make(reference);
    MeshBuildEdgeList(mesh);
    MeshBuildEdgeListQuadratic(reference);
    ASSERT_EQ(mesh.edges.count, mesh.frames[0].triangles.count / 3 * 3) << c.label;
    EXPECT_EQ(Neighbours(mesh), Neighbours(reference)) << c.label;
  }
  // The torus is closed: every side has its neighbour.
  MeshObjectX torus;
  SetTorusTriangles(torus, 12, 16);
  MeshBuildEdgeList(torus);
  for (int n : Neighbours(torus)) EXPECT_GE(n, 0);
}

TEST(EdgeListsTest, AnEdgeListIsBuiltOnce) {
  MeshObjectX mesh;
  SetTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  MeshBuildEdgeList(mesh);
  SetTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
  MeshBuildEdgeList(mesh);
  EXPECT_EQ(Neighbours(mesh), (std::vector<int>{-1, -1, -1}));
  MeshObjectX noFrames;
  MeshBuildEdgeList(noFrames);
  EXPECT_EQ(noFrames.edges.count, 0);
}

TEST(EdgeListsTest, ClosedSolidSilhouette) {
  // A tetrahedron wound so that every face normal, (P - Q) x (R - Q), points outward.
  const std::vector<float> a = {0, 0, 0}, b = {1, 0, 0}, c = {0, 1, 0}, d = {0, 0, 1};
  MeshObjectX mesh;
  SetTriangles(mesh, {a, b, c, a, d, b, a, c, d, b, d, c});
  MeshBuildEdgeList(mesh);
  for (int n : Neighbours(mesh)) EXPECT_NE(n, -1);

  const float light[3] = {3.0f, 3.0f, 3.0f};  // sees only the slanted face
  MeshLightFacing(mesh, mesh.frames[0].triangles, light);
  EXPECT_EQ(Facing(mesh), (std::vector<int>{0, 0, 0, 1}));
  for (int e = 0; e < 12; ++e) {
    EXPECT_EQ(mesh.edges[e].silhouette, e >= 9 ? 1 : 0) << e;
  }
  const float below[3] = {0.2f, 0.2f, -5.0f};
  MeshLightFacing(mesh, mesh.frames[0].triangles, below);
  EXPECT_EQ(Facing(mesh), (std::vector<int>{1, 0, 0, 0}));
  for (int e = 0; e < 12; ++e) {
    const int t = e / 3;
    const MeshEdge& edge = mesh.edges[e];
    EXPECT_EQ(edge.silhouette, t == 0 ? 1 : 0) << e;
    if (edge.silhouette == 1) {
      EXPECT_EQ(mesh.facing[edge.neighbour], 0);
    }
  }
}

TEST(EdgeListsTest, FacingOfOneTriangle) {
  struct Case {
    float light[3];
    int facing;
  };
  const Case cases[] = {
      {{0, 0, 10}, 0},
      {{0, 0, -10}, 1},
      {{5, 7, 0}, 1},  // in the triangle's plane
  };
  for (const Case& c : cases) {
    MeshObjectX mesh;
    SetTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    MeshBuildEdgeList(mesh);
    MeshLightFacing(mesh, mesh.frames[0].triangles, c.light);
    EXPECT_EQ(Facing(mesh), std::vector<int>{c.facing}) << c.light[2];
    for (const MeshEdge& edge : mesh.edges) EXPECT_EQ(edge.silhouette, c.facing);
  }
}

TEST(EdgeListsTest, ShortListsAndStaleEdgesStayInside) {
  MeshObjectX mesh;
  SetTriangles(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
  MeshBuildEdgeList(mesh);
  const float light[3] = {0.0f, 0.0f, -10.0f};
  GrowArray<MeshNode> oneTriangle;
  for (int i = 0; i < 3; ++i) oneTriangle.Push(mesh.frames[0].triangles[i]);
  MeshLightFacing(mesh, oneTriangle, light);
  EXPECT_EQ(Facing(mesh), (std::vector<int>{1, 0}));  // the second is not in the list

  mesh.frames[0].triangles.count = 3;  // the kept edges name triangle 1, which is gone
  MeshLightFacing(mesh, mesh.frames[0].triangles, light);
  EXPECT_EQ(Facing(mesh), std::vector<int>{1});
  EXPECT_EQ(mesh.edges[1].silhouette, 1);
  EXPECT_EQ(mesh.edges[3].silhouette, 0);
}

}  // namespace
