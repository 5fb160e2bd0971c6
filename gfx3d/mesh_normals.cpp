#include "gfx3d/mesh_normals.h"

#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "gfx3d/mesh_records.h"

namespace {

// A vertex of the weld and its sums.
struct UniqueVertex {
  float normal[3];
  float tangent[3];
  float bitangent[3];
};

struct Corner {
  float position[3];
  float u, v;
  int32_t unique;
};

uint32_t PositionKey(const float p[3]) {
  const long double sum = 256.0L * p[0] + 65536.0L * p[1] + 16777216.0L * p[2];
  // A sum outside the 64-bit range (or not a number) has no truncation.
  if (!(std::fabs(sum) < 9.0e18L)) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(sum)));
}

void Add(float sum[3], const float x[3]) {
  for (int k = 0; k < 3; ++k) sum[k] += x[k];
}

// Unit length unless the vector is (nearly) zero, which stays as it is.
void Normalise(float x[3]) {
  const float q = x[0] * x[0] + x[1] * x[1] + x[2] * x[2];
  if (q <= 1e-7f) return;
  const float length = std::sqrt(q);
  for (int k = 0; k < 3; ++k) x[k] /= length;
}

void AddTriangle(const Corner c[3], bool reversed, bool normals, bool tangents, GrowArray<UniqueVertex>& unique) {
  float n[3] = {};
  float t[3] = {};
  float b[3] = {};
  if (normals) {
    float a[3];
    float e[3];
    for (int k = 0; k < 3; ++k) {
      a[k] = c[1].position[k] - c[0].position[k];
      e[k] = c[2].position[k] - c[1].position[k];
    }
    n[0] = e[1] * a[2] - a[1] * e[2];
    n[1] = e[2] * a[0] - a[2] * e[0];
    n[2] = e[0] * a[1] - a[0] * e[1];
    if (reversed) {
      for (float& x : n) x = -x;
    }
  }
  if (tangents) {
    const float du1 = c[1].u - c[0].u;
    const float dv1 = c[1].v - c[0].v;
    const float du2 = c[2].u - c[0].u;
    const float dv2 = c[2].v - c[0].v;
    const float det = du1 * dv2 - dv1 * du2;
    // A triangle without a texture-space basis adds no tangent.
    if (std::fabs(det) > 1e-5f) {
      for (int k = 0; k < 3; ++k) {
        const float e1 = c[1].position[k] - c[0].position[k];
        const float e2 = c[2].position[k] - c[0].position[k];
        t[k] = (dv2 * e1 - dv1 * e2) / det;
        b[k] = (du1 * e2 - du2 * e1) / det;
      }
    }
  }
  for (int i = 0; i < 3; ++i) {
    UniqueVertex& vertex = unique[c[i].unique];
    Add(vertex.normal, n);
    Add(vertex.tangent, t);
    Add(vertex.bitangent, b);
  }
}

}  // namespace

void MeshComputeNormals(MeshObject& mesh, bool normals, bool mergeByPosition, bool tangents) {
  if (mesh.frames.count == 0 || mesh.frames[0].nodes.count == 0) return;
  normals = normals && mesh.normalsValid == 0;
  tangents = tangents && mesh.tangentsValid == 0;
  if (!normals && !tangents) return;

  GrowArray<int32_t> owner;  // the unique vertex of each node of the frame
  GrowArray<UniqueVertex> unique;
  std::unordered_map<uint32_t, int32_t> byKey;
  uint32_t kind = kMarkerTriangles;  // carries over from frame to frame
  for (MeshFrame& frame : mesh.frames) {
    owner.count = 0;
    unique.count = 0;
    byKey.clear();
    if (!owner.Reserve(frame.nodes.count) || !unique.Reserve(frame.nodes.count)) continue;
    Corner corners[3];
    int count = 0;
    int parity = 0;
    for (int32_t i = 0; i < frame.nodes.count; ++i) {
      const MeshNode& node = frame.nodes[i];
      if (node.colour >= kColourNone) {
        owner[i] = 0;
        count = 0;
        parity = 0;
        kind = node.colour;
        continue;
      }
      const uint32_t key = mergeByPosition ? PositionKey(node.position) : static_cast<uint32_t>(i);
      auto found = byKey.find(key);
      if (found == byKey.end()) {
        unique[unique.count] = UniqueVertex{};
        found = byKey.emplace(key, unique.count++).first;
      }
      owner[i] = found->second;
      Corner& corner = corners[count++];
      for (int k = 0; k < 3; ++k) corner.position[k] = node.position[k];
      corner.u = node.u;
      corner.v = node.v;
      corner.unique = found->second;
      if (count < 3) continue;
      parity ^= 1;
      count = 2;
      if (kind == kMarkerTriangles) {
        parity = 0;
        count = 0;
      }
      AddTriangle(corners, kind == kMarkerStrip && parity == 0, normals, tangents, unique);
      corners[0] = corners[1];
      corners[1] = corners[2];
    }
    owner.count = frame.nodes.count;
    if (unique.count == 0) continue;  // markers only: nothing to give them
    for (UniqueVertex& vertex : unique) {
      Normalise(vertex.normal);
      Normalise(vertex.tangent);
      Normalise(vertex.bitangent);
    }
    for (int32_t i = 0; i < frame.nodes.count; ++i) {
      const UniqueVertex& vertex = unique[owner[i]];
      MeshNode& node = frame.nodes[i];
      for (int k = 0; k < 3; ++k) {
        if (normals) node.normal[k] = vertex.normal[k];
        if (tangents) {
          node.tangent[k] = vertex.tangent[k];
          node.bitangent[k] = vertex.bitangent[k];
        }
      }
    }
  }
  mesh.normalsValid = 1;
  if (tangents) mesh.tangentsValid = 1;
  mesh.BuildTriangles();
}
