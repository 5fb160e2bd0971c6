#include "gfx3d/edge_lists.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "gfx3d/mesh_records.h"

namespace {

// Corners closer than this in each of x, y and z are one corner.
constexpr double kWeldDistance = 1e-5;
// Side of the cells that corners are filed under: twice the weld distance,
// so that corners that weld lie in the same cell or in neighbouring ones
// whatever the rounding of the division.
constexpr double kCellSide = 2e-5;

bool SamePosition(const MeshNode& a, const MeshNode& b) {
  for (int k = 0; k < 3; ++k) {
    if (!(std::fabs(static_cast<double>(a.position[k]) - static_cast<double>(b.position[k])) < kWeldDistance)) {
      return false;
    }
  }
  return true;
}

bool EqualPosition(const MeshNode& a, const MeshNode& b) {
  return a.position[0] == b.position[0] && a.position[1] == b.position[1] && a.position[2] == b.position[2];
}

// A cell of the grid, as the cell numbers along each axis. They stay
// doubles: a float coordinate can lie far beyond any integer type's range.
struct Cell {
  double c[3];
  bool operator==(const Cell& other) const {
    return c[0] == other.c[0] && c[1] == other.c[1] && c[2] == other.c[2];
  }
};

struct CellHash {
  size_t operator()(const Cell& cell) const {
    uint64_t h = 0x9E3779B97F4A7C15u;
    for (double x : cell.c) {
      uint64_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      h = (h ^ bits) * 0xBF58476D1CE4E5B9u;
      h ^= h >> 29;
    }
    return static_cast<size_t>(h);
  }
};

// -0 and +0 are one cell number.
double CellNumber(float x) { return std::floor(static_cast<double>(x) / kCellSide) + 0.0; }

// weld[i] = the first corner j <= i at the position of corner i (within the
// weld distance on each axis). Corners are filed in cells by position, one
// entry for each distinct position (its first corner), so each corner
// looks only at the few positions of its own and the neighbouring cells.
// A corner at the exact position of an earlier one welds where that one
// did: both see the same earlier corners. A corner with a coordinate that
// is not finite is close to no corner.
bool WeldCorners(const GrowArray<MeshNode>& nodes, int32_t n, GrowArray<int32_t>& weld) {
  weld.step = weld.first = 1;
  GrowArray<int32_t> next;  // the next distinct position in the same cell
  next.step = next.first = 1;
  if (!weld.Reserve(n) || !next.Reserve(n)) return false;
  std::unordered_map<Cell, int32_t, CellHash> heads;
  heads.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const MeshNode& node = nodes[i];
    weld[i] = i;
    next[i] = -1;
    if (!std::isfinite(node.position[0]) || !std::isfinite(node.position[1]) || !std::isfinite(node.position[2])) {
      continue;
    }
    const Cell home{{CellNumber(node.position[0]), CellNumber(node.position[1]), CellNumber(node.position[2])}};
    int32_t earliest = i;
    int32_t equal = -1;
    // The cell numbers one below and above along each axis; far out they
    // round to the cell itself and are looked at once.
    double around[3][3];
    for (int k = 0; k < 3; ++k) {
      around[k][0] = home.c[k];
      around[k][1] = home.c[k] - 1.0;
      around[k][2] = home.c[k] + 1.0;
    }
    for (int dx = 0; dx < 3 && equal < 0; ++dx) {
      if (dx > 0 && around[0][dx] == home.c[0]) continue;
      for (int dy = 0; dy < 3 && equal < 0; ++dy) {
        if (dy > 0 && around[1][dy] == home.c[1]) continue;
        for (int dz = 0; dz < 3 && equal < 0; ++dz) {
          if (dz > 0 && around[2][dz] == home.c[2]) continue;
          const auto found = heads.find(Cell{{around[0][dx], around[1][dy], around[2][dz]}});
          if (found == heads.end()) continue;
          for (int32_t j = found->second; j >= 0; j = next[j]) {
            if (EqualPosition(nodes[j], node)) {
              equal = j;
              break;
            }
            if (j < earliest && SamePosition(nodes[j], node)) earliest = j;
          }
        }
      }
    }
    if (equal >= 0) {
      weld[i] = weld[equal];
      continue;
    }
    weld[i] = earliest;
    const auto [head, added] = heads.try_emplace(home, i);
    if (!added) {
      next[i] = head->second;
      head->second = i;
    }
  }
  return true;
}

// The first and the last triangle that have a side on one pair of welded
// corners.
struct SideGroup {
  int32_t first;
  int32_t last;
};

uint64_t SideKey(int32_t a, int32_t b) {
  const uint32_t low = static_cast<uint32_t>(a < b ? a : b);
  const uint32_t high = static_cast<uint32_t>(a < b ? b : a);
  return uint64_t{low} << 32 | high;
}

}  // namespace

// The sides that lie on one pair of welded corners form a group. The first
// triangle of a group names, on each of its sides in the group, the last
// later triangle of the group (or none); every later side names the first
// triangle. The grouping goes through a hash of the corner pairs, so the
// list is built in time linear in the model.
void MeshBuildEdgeList(MeshObject& mesh) {
  if (mesh.edges.count != 0 || mesh.frames.count == 0) return;
  const GrowArray<MeshNode>& nodes = mesh.frames[0].triangles;
  const int32_t triangles = nodes.count / 3;
  const int32_t n = triangles * 3;
  if (!mesh.edges.Reserve(n)) return;
  mesh.edges.count = n;
  for (MeshEdge& edge : mesh.edges) edge.neighbour = -1;

  GrowArray<int32_t> weld;
  if (!WeldCorners(nodes, n, weld)) return;
  std::unordered_map<uint64_t, SideGroup> groups;
  groups.reserve(static_cast<size_t>(n));
  for (int32_t e = 0; e < n; ++e) {
    const int32_t t = e / 3;
    const uint64_t key = SideKey(weld[e], weld[3 * t + (e % 3 + 1) % 3]);
    const auto [group, added] = groups.try_emplace(key, SideGroup{t, t});
    if (!added) group->second.last = t;
  }
  for (int32_t e = 0; e < n; ++e) {
    const int32_t t = e / 3;
    const SideGroup& group = groups.find(SideKey(weld[e], weld[3 * t + (e % 3 + 1) % 3]))->second;
    if (t != group.first) {
      mesh.edges[e].neighbour = group.first;
    } else if (group.last != t) {
      mesh.edges[e].neighbour = group.last;
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
