#include "bench/edge_list_models.h"

#include <cmath>
#include <cstdint>

#include "gfx3d/mesh_records.h"

namespace {

bool SamePosition(const MeshNode& a, const MeshNode& b) {
  for (int k = 0; k < 3; ++k) {
    if (!(std::fabs(static_cast<double>(a.position[k]) - static_cast<double>(b.position[k])) < 1e-5)) return false;
  }
  return true;
}

}  // namespace

void MeshBuildEdgeListQuadratic(MeshObject& mesh) {
  if (mesh.edges.count != 0 || mesh.frames.count == 0) return;
  const GrowArray<MeshNode>& nodes = mesh.frames[0].triangles;
  const int32_t triangles = nodes.count / 3;
  const int32_t n = triangles * 3;
  if (!mesh.edges.Reserve(n)) return;
  mesh.edges.count = n;
  for (MeshEdge& edge : mesh.edges) edge.neighbour = -1;

  GrowArray<int32_t> weld;
  weld.step = weld.first = 1;
  if (!weld.Reserve(n)) return;
  for (int32_t i = 0; i < n; ++i) {
    weld[i] = i;
    for (int32_t j = 0; j < i; ++j) {
      if (SamePosition(nodes[j], nodes[i])) {
        weld[i] = j;
        break;
      }
    }
  }
  for (int32_t t = 0; t + 1 < triangles; ++t) {
    for (int j = 0; j < 3; ++j) {
      if (mesh.edges[3 * t + j].neighbour != -1) continue;
      const int32_t a = weld[3 * t + j];
      const int32_t b = weld[3 * t + (j + 1) % 3];
      for (int32_t u = t + 1; u < triangles; ++u) {
        for (int k = 0; k < 3; ++k) {
          const int32_t c = weld[3 * u + k];
          const int32_t d = weld[3 * u + (k + 1) % 3];
          if ((a == c && b == d) || (a == d && b == c)) {
            mesh.edges[3 * t + j].neighbour = u;
            mesh.edges[3 * u + k].neighbour = t;
          }
        }
      }
    }
  }
}

namespace {

// The mesh's frame 0 (made when missing) with an empty triangle list.
GrowArray<MeshNode>& EmptyTriangles(MeshObject& mesh) {
  if (mesh.frames.count == 0) mesh.frames.Push(MeshFrame());
  mesh.frames[0].triangles.Clear();
  return mesh.frames[0].triangles;
}

// A white vertex at (x, y, z).
MeshNode NodeAt(float x, float y, float z) {
  MeshNode node;
  node.position[0] = x;
  node.position[1] = y;
  node.position[2] = z;
  MeshNodeSetColour(node, 0x00FFFFFFu);
  return node;
}

}  // namespace

void SetTorusTriangles(MeshObject& mesh, int32_t rings, int32_t segments) {
  GrowArray<MeshNode>& list = EmptyTriangles(mesh);
  list.Reserve(6 * rings * segments);  // the list grows in small steps otherwise
  const double tau = 6.283185307179586;
  auto corner = [&](int32_t r, int32_t s) {
    const double a = tau * r / rings;
    const double b = tau * s / segments;
    const double d = 3.0 + std::cos(b);
    return NodeAt(static_cast<float>(d * std::cos(a)), static_cast<float>(d * std::sin(a)),
                  static_cast<float>(std::sin(b)));
  };
  for (int32_t r = 0; r < rings; ++r) {
    for (int32_t s = 0; s < segments; ++s) {
      // Angles of the far corners go up to the full turn, not back to 0.
      const MeshNode p = corner(r, s), q = corner(r + 1, s), u = corner(r + 1, s + 1), v = corner(r, s + 1);
      for (const MeshNode& n : {p, q, u, p, u, v}) list.Push(n);
    }
  }
}

void SetLatticeTriangles(MeshObject& mesh, int32_t count, uint32_t seed) {
  GrowArray<MeshNode>& list = EmptyTriangles(mesh);
  list.Reserve(3 * count);
  uint32_t state = seed;
  auto next = [&state](uint32_t range) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % range;
  };
  for (int32_t i = 0; i < 3 * count; ++i) {
    float p[3];
    for (float& x : p) x = static_cast<float>(next(3)) + (static_cast<float>(next(17)) - 8.0f) * 1e-6f;
    list.Push(NodeAt(p[0], p[1], p[2]));
  }
}
