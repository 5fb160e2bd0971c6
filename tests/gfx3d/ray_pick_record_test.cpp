// Ray picks of a fixed pseudo-random scene, compared bit for bit with the
// answers the picker gave before it learnt to skip meshes by their bounds:
// every distance as its bit pattern and every triangle hit, so that any
// change of the picker's speed work that changes one answer shows here.
//
// The scene: objects of one or several meshes (a height grid with a second
// frame, a triangle soup with degenerate and sliver triangles, overlapping
// boxes in separate meshes, triangles with NaN, infinite and huge corners,
// small triangles far from the origin, a closed sphere), each placed
// several ways (none, moved, moved and turned, scaled and turned under a
// turned parent level). The rays: through random points of triangles,
// through corners and along edges exactly, just beside edges, along
// triangle planes, from behind, at random, with unnormalised, tiny, zero
// and NaN directions and origins far out.
//
// With the environment variable VNL_PRINT_PICK_RECORD set, the test prints
// the answers as the table below instead of comparing them.
#include "gfx3d/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "core/matrix4.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/transform_stack.h"
#include "tests/support/fixed_sequence.h"
#include "tests/support/mesh_fixture.h"

namespace {

struct P3 {
  float v[3];
};

P3 Add(P3 a, P3 b) { return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2]}}; }
P3 Sub(P3 a, P3 b) { return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2]}}; }
P3 Mul(P3 a, float k) { return {{a.v[0] * k, a.v[1] * k, a.v[2] * k}}; }

P3 RandomPoint(FixedSequence& random, float half) {
  return {{random.Uniform(-half, half), random.Uniform(-half, half), random.Uniform(-half, half)}};
}

P3 RandomUnit(FixedSequence& random) {
  for (;;) {
    const P3 p = RandomPoint(random, 1.0f);
    const float q = p.v[0] * p.v[0] + p.v[1] * p.v[1] + p.v[2] * p.v[2];
    if (q > 0.01f && q <= 1.0f) return Mul(p, 1.0f / std::sqrt(q));
  }
}

using Triangles = std::vector<P3>;  // three corners a triangle

void AddTriangle(Triangles& list, P3 a, P3 b, P3 c) {
  list.push_back(a);
  list.push_back(b);
  list.push_back(c);
}

// A mesh of separate triangles, one frame for each list.
void AddMesh(Object3D& object, const std::vector<Triangles>& frames) {
  ASSERT_TRUE(object.meshes.Reserve(object.meshes.count));
  MeshObjectX& mesh = object.meshes[object.meshes.count++];
  for (const Triangles& corners : frames) {
    std::vector<MeshNode> nodes = {MarkerNode(kMarkerTriangles)};
    for (const P3& p : corners) nodes.push_back(NodeAt(p.v[0], p.v[1], p.v[2]));
    AddFrame(mesh, nodes);
  }
  MeshBuildPalette(mesh);
  mesh.BuildTriangles();
  MeshBounds(mesh);
  object.inUse = 1;
  object.severalMeshes = object.meshes.count > 1 ? 1 : 0;
}

// Two triangles a cell over whole-numbered x and y, heights in halves.
Triangles Grid(FixedSequence& random, float dz, float sx) {
  constexpr int kCells = 8;
  float height[kCells + 1][kCells + 1];
  for (auto& row : height) {
    for (float& h : row) h = static_cast<float>(random.Below(5) - 2) * 0.5f;
  }
  Triangles list;
  for (int i = 0; i < kCells; ++i) {
    for (int j = 0; j < kCells; ++j) {
      auto at = [&](int a, int b) {
        return P3{{static_cast<float>(a - kCells / 2) * sx, static_cast<float>(b - kCells / 2), height[a][b] + dz}};
      };
      AddTriangle(list, at(i, j), at(i + 1, j), at(i + 1, j + 1));
      AddTriangle(list, at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  return list;
}

// Random triangles of every size around the origin, with degenerate ones
// between them: a corner twice, corners in a line, slivers whose third
// corner lies a rounding away from the line of the other two, tiny ones
// and long ones reaching through the rest.
Triangles Soup(FixedSequence& random, P3 offset) {
  Triangles list;
  for (int i = 0; i < 120; ++i) {
    const P3 a = Add(offset, RandomPoint(random, 2.0f));
    const float size = i % 10 == 9 ? 1e-4f : (i % 10 == 8 ? 6.0f : 0.8f);
    const P3 b = Add(a, Mul(RandomPoint(random, 1.0f), size));
    const P3 c = Add(a, Mul(RandomPoint(random, 1.0f), size));
    switch (i % 12) {
      case 3:
        AddTriangle(list, a, a, c);
        break;
      case 5:
        AddTriangle(list, a, b, Add(a, Mul(Sub(b, a), 0.5f)));
        break;
      case 7: {
        const float k = random.Uniform(0.1f, 0.9f);
        P3 s = Add(a, Mul(Sub(b, a), k));
        s.v[random.Below(3)] += random.Uniform(-1e-6f, 1e-6f);
        AddTriangle(list, a, b, s);
        break;
      }
      case 11:
        AddTriangle(list, a, b, Add(a, Mul(Sub(b, a), 3.0f)));
        break;
      default:
        AddTriangle(list, a, b, c);
    }
  }
  return list;
}

// The twelve triangles of the box from lo to hi.
Triangles Box(P3 lo, P3 hi) {
  auto corner = [&](int k) {
    return P3{{(k & 1) != 0 ? hi.v[0] : lo.v[0], (k & 2) != 0 ? hi.v[1] : lo.v[1], (k & 4) != 0 ? hi.v[2] : lo.v[2]}};
  };
  static const int kFaces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  Triangles list;
  for (const auto& f : kFaces) {
    AddTriangle(list, corner(f[0]), corner(f[1]), corner(f[2]));
    AddTriangle(list, corner(f[0]), corner(f[2]), corner(f[3]));
  }
  return list;
}

// Good triangles with bad ones between them: NaN and infinite corners,
// corners at the far end of the float range.
Triangles NonFinite(FixedSequence& random) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float bad[] = {nan, inf, -inf, 1e20f, -3e38f, 3.4e38f};
  Triangles list;
  for (int i = 0; i < 60; ++i) {
    const P3 a = RandomPoint(random, 2.0f);
    P3 b = Add(a, RandomPoint(random, 1.0f));
    P3 c = Add(a, RandomPoint(random, 1.0f));
    if (i % 3 == 1) b.v[random.Below(3)] = bad[random.Below(6)];
    if (i % 6 == 4) c = {{bad[random.Below(6)], bad[random.Below(6)], 0.5f}};
    AddTriangle(list, a, b, c);
  }
  return list;
}

// A closed sphere of radius r: 10 slices and 8 stacks.
Triangles Sphere(float r) {
  constexpr int kSlices = 10;
  constexpr int kStacks = 8;
  auto at = [&](int i, int j) {
    const float phi = static_cast<float>(j) * 3.14159265f / kStacks;
    const float theta = static_cast<float>(i) * 6.28318531f / kSlices;
    return P3{{r * std::sin(phi) * std::cos(theta), r * std::sin(phi) * std::sin(theta), r * std::cos(phi)}};
  };
  Triangles list;
  for (int i = 0; i < kSlices; ++i) {
    for (int j = 0; j < kStacks; ++j) {
      AddTriangle(list, at(i, j), at(i + 1, j), at(i + 1, j + 1));
      AddTriangle(list, at(i, j), at(i + 1, j + 1), at(i, j + 1));
    }
  }
  return list;
}

struct Pick {
  uint32_t bits;
  int32_t node;
};

class RayPickRecordTest : public testing::Test {
 protected:
  void SetUp() override {
    X3DResetStack(engine_);
    FixedSequence random(25);
    AddMesh(engine_.objects[1], {Grid(random, 0.0f, 1.0f), Grid(random, 0.25f, 1.5f)});
    AddMesh(engine_.objects[2], {Soup(random, {{0, 0, 0}})});
    AddMesh(engine_.objects[3], {Box({{-1, -1, -1}}, {{1, 1, 1}})});
    AddMesh(engine_.objects[3], {Box({{-0.5f, -1, -1}}, {{1.5f, 1, 1}})});
    AddMesh(engine_.objects[3], {Box({{-1, -1, -1}}, {{1, 1, 1}})});  // the same as mesh 0
    AddMesh(engine_.objects[4], {NonFinite(random)});
    AddMesh(engine_.objects[5], {Soup(random, {{1e4f, -2e4f, 5e3f}})});
    AddMesh(engine_.objects[6], {Sphere(1.5f)});
  }

  // Places the current level the given way (0 to 3).
  void Place(FixedSequence& random, int how) {
    X3DResetStack(engine_);
    if (how == 3) {
      const P3 axis = RandomUnit(random);
      X3DRotate(engine_, random.Uniform(-180, 180), axis.v[0], axis.v[1], axis.v[2]);
      X3DPush(engine_);
    }
    if (how != 0) X3DPosition(engine_, random.Uniform(-5, 5), random.Uniform(-5, 5), random.Uniform(-5, 5));
    if (how == 3) X3DScale(engine_, random.Uniform(0.5f, 2), random.Uniform(0.5f, 2), random.Uniform(0.5f, 2));
    if (how >= 2) {
      const P3 axis = RandomUnit(random);
      X3DRotate(engine_, random.Uniform(-180, 180), axis.v[0], axis.v[1], axis.v[2]);
    }
    X3DUpdateModelMatrix(engine_);
    // The picker takes world points p to M transposed times (p - t), which
    // undoes no scaling: aim through the inverse of that map.
    const float* m = X3DModelMatrix(engine_);
    float toLevel[16];
    Mat4Identity(toLevel);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) toLevel[c * 4 + r] = m[r * 4 + c];
    }
    Mat4InverseCofactors(toLevel, fromLevel_);
    for (int k = 0; k < 3; ++k) fromLevel_[12 + k] = m[12 + k];
  }

  // A point of the object's frame-0 triangles, in its own space, for ray
  // kind k.
  P3 Target(FixedSequence& random, const GrowArray<MeshNode>& list, int kind, P3* edge) {
    const int32_t t = random.Below(list.count / 3);
    const P3 a{{list[3 * t].position[0], list[3 * t].position[1], list[3 * t].position[2]}};
    const P3 b{{list[3 * t + 1].position[0], list[3 * t + 1].position[1], list[3 * t + 1].position[2]}};
    const P3 c{{list[3 * t + 2].position[0], list[3 * t + 2].position[1], list[3 * t + 2].position[2]}};
    *edge = Sub(b, a);
    switch (kind) {
      case 0: {  // inside
        float s = random.Uniform(0, 1);
        float u = random.Uniform(0, 1);
        if (s + u > 1) {
          s = 1 - s;
          u = 1 - u;
        }
        return Add(a, Add(Mul(Sub(b, a), s), Mul(Sub(c, a), u)));
      }
      case 1:  // a corner
        return random.Below(2) == 0 ? a : c;
      case 2:  // the middle of an edge
        return Mul(Add(a, b), 0.5f);
      case 3: {  // just beside an edge, outward
        const P3 m = Mul(Add(a, b), 0.5f);
        return Add(m, Mul(Sub(m, c), 1e-4f));
      }
      default:  // anywhere near the object
        return RandomPoint(random, 4.0f);
    }
  }

  Pick Shoot(int32_t slot, int64_t frame, const float origin[3], const float direction[3]) {
    const float d = Object3DRayTest(engine_, slot, frame, origin, direction);
    uint32_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return {bits, g_lastHitNode};
  }

  std::vector<Pick> ShootAll() {
    std::vector<Pick> picks;
    FixedSequence random(2025);
    for (int32_t slot = 1; slot <= 6; ++slot) {
      const GrowArray<MeshNode>& list = engine_.objects[slot].meshes[0].frames[0].triangles;
      for (int how = 0; how < 4; ++how) {
        Place(random, how);
        const float* m = fromLevel_;
        for (int r = 0; r < 40; ++r) {
          const int kind = r % 8;
          P3 edge;
          const P3 target = Target(random, list, kind < 5 ? kind : 0, &edge);
          P3 world;
          Mat4TransformPoint(m, target.v, world.v);
          P3 dir = RandomUnit(random);
          if (how == 0 && r % 3 == 0) dir = {{0, 0, r % 2 == 0 ? 1.0f : -1.0f}};  // grazes stay exact
          if (kind == 5) {  // along the triangle's plane, through an edge
            float e[3];
            const float v[4] = {edge.v[0], edge.v[1], edge.v[2], 0.0f};
            float out[4];
            Mat4TransformVector(m, v, out);
            std::memcpy(e, out, sizeof e);
            dir = {{e[0], e[1], e[2]}};
          }
          const float distance = random.Uniform(-3, 30);  // negative: the target lies behind
          P3 origin = Sub(world, Mul(dir, distance));
          float length = r % 5 == 1 ? random.Uniform(0.001f, 1000) : 1.0f;
          if (kind == 6) {  // odd directions and origins
            const int odd = random.Below(4);
            if (odd == 0) length = 0.0f;
            if (odd == 1) length = 1e-5f;
            if (odd == 2) origin.v[1] = std::numeric_limits<float>::quiet_NaN();
            if (odd == 3) origin = Mul(origin, 1e30f);
          }
          const P3 direction = Mul(dir, length);
          const int64_t frame = slot == 1 && r % 4 == 3 ? (r % 8 == 7 ? 2 : 1) : 0;
          picks.push_back(Shoot(slot, frame, origin.v, direction.v));
        }
      }
    }
    return picks;
  }

  Dodevudi3D engine_{nullptr};
  float fromLevel_[16] = {};  // the level's space to the world, as the picker sees it
};

// Written by the printing mode from the picker as it stood at commit
// 4267502, before it skipped meshes by their bounds: the distance's bits
// and the node of the triangle hit.
const Pick kRecorded[] = {
#include "tests/gfx3d/ray_pick_record.inc"
};

TEST_F(RayPickRecordTest, PicksOfARandomSceneStayBitForBit) {
  const std::vector<Pick> picks = ShootAll();
  if (std::getenv("VNL_PRINT_PICK_RECORD") != nullptr) {
    for (size_t i = 0; i < picks.size(); ++i) {
      std::printf("{0x%08xu, %d},%s", picks[i].bits, picks[i].node, i % 5 == 4 ? "\n" : " ");
    }
    std::printf("\n");
    GTEST_SKIP() << "printed the record";
  }
  ASSERT_EQ(picks.size(), std::size(kRecorded));
  int hits = 0;
  for (size_t i = 0; i < picks.size(); ++i) {
    EXPECT_EQ(picks[i].bits, kRecorded[i].bits) << "ray " << i;
    EXPECT_EQ(picks[i].node, kRecorded[i].node) << "ray " << i;
    hits += picks[i].node >= 0 ? 1 : 0;
  }
  // The record is only worth as much as its hits.
  EXPECT_GT(hits, static_cast<int>(picks.size()) / 2);
}

}  // namespace
