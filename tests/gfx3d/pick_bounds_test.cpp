#include "gfx3d/pick_bounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/matrix4.h"
#include "gfx3d/collision.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/transform_stack.h"
#include "gfx3d/triangle_lists.h"
#include "tests/support/fixed_sequence.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/plain_pick.h"

namespace {

// A triangle with its first corner within `scale` of (shift, shift,
// shift), sides of about `scale`, and an angle at the first corner from
// 10^-4 radians up, or as far below pi (even t): some tight, some not.
void AddThinTriangle(FixedSequence& random, double scale, double shift, int t, std::vector<float>& corners) {
  double a[3];
  double e0[3];
  double side[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = shift + scale * random.Signed();
    e0[i] = scale * random.Signed();
    side[i] = random.Signed();
  }
  const double angle = std::pow(10.0, -4.0 * std::fabs(random.Signed()));
  const double turn = t % 2 == 0 ? angle : 3.14159265358979 - angle;
  const double l0 = std::sqrt(e0[0] * e0[0] + e0[1] * e0[1] + e0[2] * e0[2]);
  const double along = (side[0] * e0[0] + side[1] * e0[1] + side[2] * e0[2]) / (l0 * l0);
  double across[3];
  for (int i = 0; i < 3; ++i) across[i] = side[i] - along * e0[i];
  const double la = std::sqrt(across[0] * across[0] + across[1] * across[1] + across[2] * across[2]);
  const double l1 = l0 * std::pow(10.0, random.Signed());
  for (int i = 0; i < 3; ++i) corners.push_back(static_cast<float>(a[i]));
  for (int i = 0; i < 3; ++i) corners.push_back(static_cast<float>(a[i] + e0[i]));
  for (int i = 0; i < 3; ++i) {
    corners.push_back(static_cast<float>(a[i] + l1 * (std::cos(turn) * e0[i] / l0 + std::sin(turn) * across[i] / la)));
  }
}

// A ray through a point of the triangle (a, b, c), inside, on an edge or
// at a corner (by r), moved a little off, nearly along the triangle's
// plane, from near or far, ahead or behind.
void GrazingRay(FixedSequence& random, const float a[3], const float b[3], const float c[3], int r, float origin[3],
                float direction[3]) {
  double s = (random.Signed() + 1) / 2;
  double u = (random.Signed() + 1) / 2;
  if (s + u > 1) {
    s = 1 - s;
    u = 1 - u;
  }
  if (r % 4 == 1) u = 0;
  if (r % 4 == 2) s = u = 0;
  if (r % 4 == 3) u = 1 - s;
  const double ab[3] = {double{b[0]} - a[0], double{b[1]} - a[1], double{b[2]} - a[2]};
  const double ac[3] = {double{c[0]} - a[0], double{c[1]} - a[1], double{c[2]} - a[2]};
  const double normal[3] = {ab[1] * ac[2] - ab[2] * ac[1], ab[2] * ac[0] - ab[0] * ac[2], ab[0] * ac[1] - ab[1] * ac[0]};
  const double ln = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
  double size = 0.0;
  for (int i = 0; i < 3; ++i) size = std::max({size, std::fabs(ab[i]), std::fabs(ac[i])});
  const double off = r % 8 < 4 ? 0.0 : size * 1e-5;
  double target[3];
  for (int i = 0; i < 3; ++i) target[i] = a[i] + s * ab[i] + u * ac[i] + off * random.Signed();
  double dir[3];
  const double tilt = std::pow(10.0, -6.0 * std::fabs(random.Signed()));
  for (int i = 0; i < 3; ++i) dir[i] = random.Signed() + (ln > 0 ? tilt * normal[i] / ln : 0.0);
  const double reach = size * std::pow(10.0, 4.0 * random.Signed() + 1.0) * (random.Signed() < -0.6 ? -1 : 1);
  const double ld = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
  for (int i = 0; i < 3; ++i) {
    direction[i] = static_cast<float>(dir[i] / ld);
    origin[i] = static_cast<float>(target[i] - direction[i] * reach);
  }
}

// The distance from the line o + s d to the triangle (a, b, c), in long
// doubles: 0 when the line crosses it, else the nearest approach to an
// edge.
using Wide = long double;

Wide Dot(const Wide* x, const Wide* y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; }

Wide SegmentLineDistance(const Wide* p, const Wide* q, const Wide* o, const Wide* d) {
  const Wide u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  const Wide w[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
  const Wide uu = Dot(u, u), ud = Dot(u, d), dd = Dot(d, d), uw = Dot(u, w), dw = Dot(d, w);
  const Wide det = uu * dd - ud * ud;
  Wide s = det > 0 ? (ud * dw - dd * uw) / det : 0;
  s = std::clamp<Wide>(s, 0, 1);
  Wide x[3];
  for (int i = 0; i < 3; ++i) x[i] = w[i] + s * u[i];  // the segment's point, from o
  const Wide along = Dot(x, d) / dd;
  Wide off = 0;
  for (int i = 0; i < 3; ++i) off += (x[i] - along * d[i]) * (x[i] - along * d[i]);
  return std::sqrt(off);
}

Wide LineTriangleDistance(const float* fa, const float* fb, const float* fc, const float* fo, const float* fd) {
  const Wide a[3] = {fa[0], fa[1], fa[2]}, b[3] = {fb[0], fb[1], fb[2]}, c[3] = {fc[0], fc[1], fc[2]};
  const Wide o[3] = {fo[0], fo[1], fo[2]}, d[3] = {fd[0], fd[1], fd[2]};
  auto cross = [](const Wide* x, const Wide* y, Wide* out) {
    out[0] = x[1] * y[2] - x[2] * y[1];
    out[1] = x[2] * y[0] - x[0] * y[2];
    out[2] = x[0] * y[1] - x[1] * y[0];
  };
  const Wide ab[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const Wide ac[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  Wide n[3];
  cross(ab, ac, n);
  const Wide nd = Dot(n, d);
  if (nd != 0) {
    const Wide oa[3] = {o[0] - a[0], o[1] - a[1], o[2] - a[2]};
    const Wide t = -Dot(n, oa) / nd;
    const Wide p[3] = {o[0] + t * d[0], o[1] + t * d[1], o[2] + t * d[2]};
    bool inside = true;
    const Wide* corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
      const Wide* x = corners[k];
      const Wide* y = corners[(k + 1) % 3];
      const Wide xy[3] = {y[0] - x[0], y[1] - x[1], y[2] - x[2]};
      const Wide xp[3] = {p[0] - x[0], p[1] - x[1], p[2] - x[2]};
      Wide m[3];
      cross(xy, xp, m);
      inside = inside && Dot(m, n) >= 0;
    }
    if (inside) return 0;
  }
  return std::min({SegmentLineDistance(a, b, o, d), SegmentLineDistance(b, c, o, d), SegmentLineDistance(c, a, o, d)});
}

// A mesh of separate triangles in slot 1, one frame.
class PickBoundsTest : public testing::Test {
 protected:
  void SetUp() override { X3DResetStack(engine_); }

  MeshObjectX& Mesh() { return engine_.objects[1].meshes[0]; }

  void Build(const std::vector<float>& corners) {
    Object3D& object = engine_.objects[1];
    Object3DEmpty(object, false);
    ASSERT_TRUE(object.meshes.Reserve(0));
    object.meshes.count = 1;
    std::vector<MeshNode> nodes = {MarkerNode(kMarkerTriangles)};
    for (size_t i = 0; i + 2 < corners.size(); i += 3) nodes.push_back(NodeAt(corners[i], corners[i + 1], corners[i + 2]));
    AddFrame(Mesh(), nodes);
    MeshBuildPalette(Mesh());
    Mesh().BuildTriangles();
    MeshBounds(Mesh());
    object.inUse = 1;
  }

  // The picker's answer against the plain scan's, bit for bit.
  void ExpectSame(const float origin[3], const float direction[3], int* hits, const char* what) {
    const float got = MeshRayTest(engine_, Mesh(), 0, origin, direction);
    const PlainPickAnswer want = PlainPick(Mesh().frames[0].triangles, origin, direction);
    uint32_t gotBits;
    uint32_t wantBits;
    std::memcpy(&gotBits, &got, 4);
    std::memcpy(&wantBits, &want.distance, 4);
    EXPECT_EQ(gotBits, wantBits) << what << " origin " << origin[0] << " " << origin[1] << " " << origin[2]
                                 << " direction " << direction[0] << " " << direction[1] << " " << direction[2];
    EXPECT_EQ(g_lastHitNode, want.node) << what;
    *hits += want.node >= 0 ? 1 : 0;
  }

  Dodevudi3D engine_{nullptr};
};

// Thin triangles of every size at every distance from the origin, rays
// through their edges and corners, nearly along their planes, from near
// and far: the bounds skip no triangle the plain scan hits.
TEST_F(PickBoundsTest, SkipsNoHitOfThinTrianglesAndGrazingRays) {
  FixedSequence random(44);
  int hits = 0;
  for (int scene = 0; scene < 300; ++scene) {
    const double scale = std::pow(10.0, 5.0 * random.Signed());
    const double shift = scene % 3 == 0 ? 0.0 : std::pow(10.0, 4.0 * random.Signed()) * scale;
    std::vector<float> corners;
    for (int t = 0; t < 40; ++t) AddThinTriangle(random, scale, shift, t, corners);
    Build(corners);
    const GrowArray<MeshNode>& list = Mesh().frames[0].triangles;
    for (int r = 0; r < 60; ++r) {
      const int32_t t = static_cast<int32_t>(random.Next() % static_cast<uint64_t>(list.count / 3));
      float origin[3];
      float direction[3];
      GrazingRay(random, list[3 * t].position, list[3 * t + 1].position, list[3 * t + 2].position, r, origin,
                 direction);
      ExpectSame(origin, direction, &hits, "grazing");
    }
  }
  EXPECT_GT(hits, 3000);
}

// What the margin rests on: a hit of a tight triangle lies within half
// the margin of the line (the margin is twice the worst rounding found
// for the triangle test).
TEST_F(PickBoundsTest, HitsOfTightTrianglesLieWithinHalfTheMargin) {
  FixedSequence random(45);
  int hits = 0;
  double worst = 0.0;  // the largest share of half the margin a hit came to
  for (int scene = 0; scene < 2000; ++scene) {
    const double scale = std::pow(10.0, 5.0 * random.Signed());
    const double shift = scene % 3 == 0 ? 0.0 : std::pow(10.0, 4.0 * random.Signed()) * scale;
    std::vector<float> corners;
    AddThinTriangle(random, scale, shift, scene, corners);
    Build(corners);
    const float origin0[3] = {0, 0, 0};
    const float along[3] = {0, 0, 1};
    MeshRayTest(engine_, Mesh(), 0, origin0, along);  // builds the bounds
    ASSERT_NE(Mesh().frames[0].pick, nullptr);
    const PickBounds& bounds = *Mesh().frames[0].pick;
    ASSERT_EQ(bounds.valid, 1);
    if (bounds.looseFirst != 1) continue;  // not tight
    const float* a = Mesh().frames[0].triangles[0].position;
    const float* b = Mesh().frames[0].triangles[1].position;
    const float* c = Mesh().frames[0].triangles[2].position;
    for (int r = 0; r < 20; ++r) {
      float origin[3];
      float direction[3];
      GrazingRay(random, a, b, c, r, origin, direction);
      const float ahead[3] = {origin[0] + direction[0], origin[1] + direction[1], origin[2] + direction[2]};
      const float d[3] = {ahead[0] - origin[0], ahead[1] - origin[1], ahead[2] - origin[2]};
      if (RayTriangleDistance(a, b, c, origin, d) == 0.0f) continue;
      ++hits;
      double away = 0.0;
      for (int i = 0; i < 3; ++i) away += (origin[i] - bounds.centre[i]) * (origin[i] - bounds.centre[i]);
      const double half = (bounds.relative * (std::sqrt(away) + bounds.radius) + bounds.absolute) / 2.0;
      const double distance = static_cast<double>(LineTriangleDistance(a, b, c, origin, d));
      worst = std::max(worst, distance / half);
    }
  }
  EXPECT_GT(hits, 8000);
  EXPECT_LT(worst, 1.0);
}

// The triangle test decides at the crossing it works out, which rounding
// can carry across an edge: rays that cross the plane just outside a leg
// of this triangle, and so outside its (flat) box, can count as hits. The
// margin keeps them.
TEST_F(PickBoundsTest, HitsJustOutsideTheBoxAreKept) {
  Build({0, 0, 0, 1, 0, 0, 0, 1, 0});
  FixedSequence random(7);
  int hits = 0;
  int outside = 0;  // hits where the line crosses the plane outside the triangle
  for (int r = 0; r < 4000; ++r) {
    const float beside = -static_cast<float>(std::pow(10.0, -9.0 + 2.0 * std::fabs(random.Signed())));
    const double y = 0.5 + 0.4 * random.Signed();
    double dir[3] = {1.0, 0.3 * random.Signed(), 0.05 + std::fabs(random.Signed())};
    const double length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    const double reach = std::pow(10.0, 2.0 * random.Signed());
    float origin[3];
    float direction[3];
    for (int i = 0; i < 3; ++i) direction[i] = static_cast<float>(dir[i] / length);
    const double crossing[3] = {beside, y, 0.0};
    for (int i = 0; i < 3; ++i) origin[i] = static_cast<float>(crossing[i] - reach * direction[i]);
    const int before = hits;
    ExpectSame(origin, direction, &hits, "beside");
    // Where the line really crosses z = 0 (doubles are exact enough here).
    const double t = -double{origin[2]} / direction[2];
    outside += hits > before && double{origin[0]} + t * direction[0] < 0.0 ? 1 : 0;
  }
  EXPECT_GT(outside, 200);
}

// Rays the bounds are not worked out for, and triangles they leave out or
// always test, give what the plain scan gives.
TEST_F(PickBoundsTest, OddRaysAndCornersGiveThePlainAnswers) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Build({
      0, 0, 0, 1, 0, 0, 0, 1, 0,            // tight
      0, 0, 1, 1, 0, 1, 0.5f, 0, 1,         // corners in a line: never a hit
      0, 0, 2, 0, 0, 2, 1, 1, 2,            // a corner twice
      0, 0, 3, 1, 0, 3, inf, 1, 3,          // an infinite corner
      0, 0, 4, nan, 0, 4, 0, 1, 4,          // a NaN corner
      0, 0, 5, 1e17f, 0, 5, 0, 1e17f, 5,    // huge: not tight
      0, 0, 6, 1, 1e-7f, 6, 2, 0, 6,        // a sliver: not tight
      0, 0, 7, 1e-20f, 0, 7, 0, 1e-20f, 7,  // tiny: not tight
  });
  const float origins[][3] = {{0.1f, 0.1f, -5},  {0.1f, 0.1f, 9},  {0.9f, 0.00000001f, 9}, {1e-21f, 1e-21f, 9},
                              {nan, 0.1f, -5},   {inf, 0.1f, -5},  {0.1f, 0.1f, -1e30f},   {3e38f, 3e38f, 3e38f},
                              {0.5f, 0.5f, 6.5f}, {5, 5, 5}};
  const float directions[][3] = {{0, 0, 1}, {0, 0, -1}, {0, 0, 1e-9f}, {0, 0, 0}, {1, 0, 0}, {nan, 0, 1}, {0, 1, 0}};
  int hits = 0;
  for (const auto& origin : origins) {
    for (const auto& direction : directions) ExpectSame(origin, direction, &hits, "odd");
  }
  EXPECT_GE(hits, 10);
  ASSERT_NE(Mesh().frames[0].pick, nullptr);
  const PickBounds& bounds = *Mesh().frames[0].pick;
  ASSERT_EQ(bounds.valid, 1);
  // The tight one, then what can hit but is not tight: huge, sliver, tiny.
  ASSERT_EQ(bounds.triangles.count, 4);
  EXPECT_EQ(bounds.looseFirst, 1);
  EXPECT_EQ(bounds.triangles[0].node, 0);
  EXPECT_EQ(bounds.triangles[1].node, 15);
  EXPECT_EQ(bounds.triangles[2].node, 18);
  EXPECT_EQ(bounds.triangles[3].node, 21);
}

// Ties: of equal distances the first triangle of the list is kept, also
// when it is a loose one, tested after the runs.
TEST_F(PickBoundsTest, EqualDistancesKeepTheFirstTriangle) {
  std::vector<float> corners;
  for (int t = 0; t < 3 * kPickRun; ++t) {
    const float z = static_cast<float>(t % 5);
    // Triangle 2 is a sliver around the rays' line, at the height of 7, 12...
    const std::vector<float> tri = t == 2 ? std::vector<float>{-2, -0.5f, z, 2, -0.5f, z, 2, -0.5f + 1e-6f, z}
                                          : std::vector<float>{-1, -1, z, 1, -1, z, 0, 1, z};
    corners.insert(corners.end(), tri.begin(), tri.end());
  }
  Build(corners);
  EXPECT_EQ(Mesh().frames[0].pick, nullptr);  // made by the first ray test
  int hits = 0;
  const float along[3] = {0, 0, 1};
  const float back[3] = {0, 0, -1};
  for (float z : {-3.0f, 1.5f, 2.5f, 9.0f}) {
    const float origin[3] = {0, -0.5f + 2.5e-7f, z};
    ExpectSame(origin, along, &hits, "ties");
    ExpectSame(origin, back, &hits, "ties");
  }
  EXPECT_EQ(hits, 8);
  ASSERT_NE(Mesh().frames[0].pick, nullptr);
  const PickBounds& bounds = *Mesh().frames[0].pick;
  ASSERT_EQ(bounds.valid, 1);
  EXPECT_EQ(bounds.triangles[bounds.looseFirst].node, 6);
  const float origin[3] = {0, -0.5f + 2.5e-7f, 1.5f};
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, Mesh(), 0, origin, along), 0.5f);
  EXPECT_EQ(g_lastHitNode, 6);
}

// The bounds follow the triangle list: scaled meshes, copies, rebuilt and
// shrunk lists, and a list written in place and announced.
TEST_F(PickBoundsTest, BoundsFollowEveryChangeOfTheList) {
  Build({-1, -1, 0, 1, -1, 0, 0, 1, 0, -1, -1, 2, 1, -1, 2, 0, 1, 2});
  const float origin[3] = {0, 0, -5};
  const float along[3] = {0, 0, 1};
  const float beside[3] = {2, 0, -5};
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, Mesh(), 0, origin, along), 5.0f);
  EXPECT_EQ(MeshRayTest(engine_, Mesh(), 0, beside, along), 0.0f);

  MeshScale(Mesh(), 6, 1, 2);  // now reaches x = 6: the ray beside hits
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, Mesh(), 0, beside, along), 5.0f);

  MeshObjectX copy(Mesh());
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, copy, 0, beside, along), 5.0f);
  EXPECT_EQ(g_lastHitNode, 0);

  // Written in place: the first triangle moved off the ray's way.
  for (int i = 0; i < 3; ++i) copy.frames[0].triangles[i].position[0] += 100.0f;
  MeshVerticesChanged(copy);
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, copy, 0, beside, along), 9.0f);
  EXPECT_EQ(g_lastHitNode, 3);

  // A frame copied over a frame with bounds of its own.
  copy.frames[0] = Mesh().frames[0];
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, copy, 0, beside, along), 5.0f);
  EXPECT_EQ(g_lastHitNode, 0);

  // Rebuilt from other nodes, and shrunk to nothing.
  Build({-1, -1, 3, 1, -1, 3, 0, 1, 3});
  EXPECT_FLOAT_EQ(MeshRayTest(engine_, Mesh(), 0, origin, along), 8.0f);
  Object3DShrink(&engine_, 1);
  EXPECT_EQ(MeshRayTest(engine_, Mesh(), 0, origin, along), 0.0f);
  EXPECT_EQ(g_lastHitNode, -1);
}

// Objects placed by a move and turns (on a turned parent level, or with
// turns added after a composition), rays aimed at their triangles'
// corners, edges and insides, just beside them, and past the farthest
// corners at right angles to the object's radius (where the quick miss
// from the world side is closest to a wrong answer), from near and far
// (up to and beyond the distances it is worked out for), with
// directions of many lengths, and rays anywhere around them: the answers
// are the plain scan's at the level's matrix, bit for bit. Many of them
// are quick misses (the level's composition still waits after the test).
TEST_F(PickBoundsTest, PlacedObjectsGiveThePlainAnswers) {
  FixedSequence random(46);
  int hits = 0;
  int quick = 0;
  int rays = 0;
  int outside = 0;  // hits a hair outside the bounds' reach
  for (int scene = 0; scene < 150; ++scene) {
    const double scale = std::pow(10.0, 3.0 * random.Signed());
    // Every third object is centred on its origin with corners at the
    // ends of its box's diagonal: the farthest corners lie as far out as
    // the bounds reach.
    const bool centred = scene % 3 == 0;
    double offset[3];
    for (double& o : offset) o = centred ? 0.0 : 2.0 * scale * random.Signed();
    std::vector<float> corners;
    if (centred) {
      const float l = static_cast<float>(scale);
      corners = {l, l, l, 0, l, 0, l, 0, 0, -l, -l, -l, 0, -l, 0, -l, 0, 0};
    }
    const double size = centred ? 0.4 * scale : scale;  // inside the diagonal's box
    for (int t = centred ? 2 : 0; t < 30; ++t) {
      double a[3];
      for (int i = 0; i < 3; ++i) a[i] = offset[i] + size * random.Signed();
      for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 3; ++i) {
          corners.push_back(static_cast<float>(c == 0 ? a[i] : a[i] + size * random.Signed()));
        }
      }
    }
    if (scene % 10 == 9) AddThinTriangle(random, scale, offset[0], 1, corners);  // maybe loose: no quick miss
    Build(corners);
    const GrowArray<MeshNode>& list = Mesh().frames[0].triangles;
    for (int r = 0; r < 120; ++r) {
      // The place: a move and one to three turns; on a turned parent, or
      // with a turn added after a composition, now and then.
      X3DResetStack(engine_);
      const int how = r % 8;
      auto turn = [&] {
        double axis[3] = {random.Signed(), random.Signed(), random.Signed()};
        if (random.Below(4) == 0) axis[random.Below(3)] = 0.0;
        X3DRotate(engine_, 400.0 * random.Signed(), axis[0], axis[1], axis[2]);
      };
      if (how == 6) {
        X3DPosition(engine_, 50 * random.Signed(), 50 * random.Signed(), 50 * random.Signed());
        turn();
        X3DPush(engine_);
      }
      const double reach = std::pow(10.0, 3.0 * random.Signed()) * scale;
      X3DPosition(engine_, reach * random.Signed(), reach * random.Signed(), reach * random.Signed());
      for (int k = random.Below(3); k >= 0; --k) turn();
      if (how == 7) {
        X3DUpdateModelMatrix(engine_);
        turn();
      }
      // The ray, aimed with the level's matrix (composed on a copy, so
      // that the picker composes as a program's test would).
      float m[16];
      {
        Dodevudi3D copy(nullptr);
        std::memcpy(copy.stack, engine_.stack, sizeof(copy.stack));
        copy.currentLevel = engine_.currentLevel;
        X3DUpdateModelMatrix(copy);
        std::memcpy(m, X3DModelMatrix(copy), sizeof(m));
      }
      const int32_t t = centred && r % 2 == 0 ? r % 4 / 2 : random.Below(list.count / 3);
      const float* a = list[3 * t].position;
      const float* b = list[3 * t + 1].position;
      const float* c = list[3 * t + 2].position;
      double s = (random.Signed() + 1) / 2;
      double u = (random.Signed() + 1) / 2;
      if (s + u > 1) {
        s = 1 - s;
        u = 1 - u;
      }
      if (r % 5 == 1) u = 0;      // an edge
      if (r % 5 == 2) s = u = 0;  // a corner
      float local[3];
      for (int i = 0; i < 3; ++i) local[i] = static_cast<float>(a[i] + s * (b[i] - a[i]) + u * (c[i] - a[i]));
      if (r % 5 == 3) {  // just inside the corner farthest from the object's origin
        const float* far = a;
        for (const float* x : {b, c}) {
          if (Vec3Dot(x, x) > Vec3Dot(far, far)) far = x;
        }
        const double in = r % 2 == 0 ? 1e-3 : 1e-6;
        for (int i = 0; i < 3; ++i) local[i] = static_cast<float>(far[i] + in * ((a[i] + b[i] + c[i]) / 3.0 - far[i]));
      }
      const bool grazing = centred && r % 11 == 10;
      if (grazing) {  // a hair outside the corner (1, 1, 1) times the size, from afar
        const double out = 1.0 + 1e-5 * std::fabs(random.Signed());
        for (int i = 0; i < 3; ++i) local[i] = static_cast<float>(scale * out);
      }
      if (r % 9 == 8) {  // anywhere around the object
        for (int i = 0; i < 3; ++i) local[i] = static_cast<float>(offset[i] + 10.0 * scale * random.Signed());
      }
      float target[3];
      Mat4TransformPoint(m, local, target);
      double dir[3] = {random.Signed(), random.Signed(), random.Signed()};
      if (r % 3 != 0 || grazing) {  // at right angles to the radius from the move
        const double radius[3] = {double{target[0]} - m[12], double{target[1]} - m[13], double{target[2]} - m[14]};
        const double rr = radius[0] * radius[0] + radius[1] * radius[1] + radius[2] * radius[2];
        const double along = rr > 0 ? (dir[0] * radius[0] + dir[1] * radius[1] + dir[2] * radius[2]) / rr : 0.0;
        for (int i = 0; i < 3; ++i) dir[i] -= along * radius[i];
      }
      const double beside = r % 7 == 0 ? 1e-4 * scale : 0.0;
      const double length = r % 4 == 0 ? std::pow(10.0, 3.5 * random.Signed()) : 1.0;
      const double ld = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
      double back = r % 6 == 0 ? 5000.0 * std::fabs(random.Signed()) : 3.0 * scale * random.Signed() + 0.5;
      if (grazing) back = 1000.0 * random.Signed() * std::min(scale, 1.0);
      float origin[3];
      float direction[3];
      for (int i = 0; i < 3; ++i) {
        direction[i] = static_cast<float>(length * dir[i] / ld);
        origin[i] = static_cast<float>(target[i] + beside * random.Signed() - back * dir[i] / ld);
      }
      const bool waiting = engine_.stack[engine_.currentLevel].valid == 0;
      const float got = MeshRayTest(engine_, Mesh(), 0, origin, direction);
      quick += waiting && engine_.stack[engine_.currentLevel].owed != 0 ? 1 : 0;
      const PlainPickAnswer want = PlainPickPlaced(list, m, origin, direction);
      uint32_t gotBits;
      uint32_t wantBits;
      std::memcpy(&gotBits, &got, 4);
      std::memcpy(&wantBits, &want.distance, 4);
      ASSERT_EQ(gotBits, wantBits) << "scene " << scene << " ray " << r;
      ASSERT_EQ(g_lastHitNode, want.node) << "scene " << scene << " ray " << r;
      hits += want.node >= 0 ? 1 : 0;
      outside += grazing && want.node >= 0 ? 1 : 0;
      ++rays;
    }
  }
  EXPECT_GT(hits, rays / 3);
  EXPECT_GT(quick, rays / 20);
  EXPECT_GT(outside, 10);
}

}  // namespace
