#include "gfx3d/edge_lists.h"

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

void MeshBuildEdgeList(MeshObject& mesh) {
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

void MeshLightFacing(MeshObject& mesh, const GrowArray<MeshNode>& nodes, const float light[3]) {
  if (mesh.frames.count == 0) return;
  const int32_t triangles = mesh.frames[0].triangles.count / 3;
  if (!mesh.facing.Reserve(triangles)) return;
  mesh.facing.count = triangles;
  for (int32_t t = 0; t < triangles; ++t) {
    if (3 * t + 2 >= nodes.count) {
      mesh.facing[t] = 0;
      continue;
    }
    const float* p = nodes[3 * t].position;
    const float* q = nodes[3 * t + 1].position;
    const float* r = nodes[3 * t + 2].position;
    const float a[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
    const float b[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
    const float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    float f = 0.0f;
    for (int k = 0; k < 3; ++k) {
      const float d = light[k] + (p[k] + q[k] + r[k]) * -0.33333334f;
      f += n[k] * d;
    }
    mesh.facing[t] = f >= 0.0f ? 1 : 0;
  }
  for (int32_t e = 0; e < mesh.edges.count; ++e) {
    const int32_t t = e / 3;
    const int32_t neighbour = mesh.edges[e].neighbour;
    const bool facing = t < triangles && mesh.facing[t] == 1;
    const bool neighbourFacing = neighbour >= 0 && neighbour < triangles && mesh.facing[neighbour] == 1;
    mesh.edges[e].silhouette = facing && !neighbourFacing ? 1 : 0;
  }
}
