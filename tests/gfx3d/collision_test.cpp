#include "gfx3d/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx3d/cone_plane.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/object_load.h"
#include "gfx3d/transform_stack.h"

namespace {

struct V3 {
  float x, y, z;
};

// Objects built node by node as separate triangles: slot 1 holds T0 in the
// plane z = 0 and T1 the same triangle moved to z = 5; slot 2 holds T0
// alone.
class CollisionTest : public testing::Test {
 protected:
  void SetUp() override {
    g_objectBeingBuilt = -1;
    X3DResetStack(engine_);
    testing::internal::CaptureStdout();  // the build's trace lines
    Build(1, {0.0f, 5.0f});
    Build(2, {0.0f});
    testing::internal::GetCapturedStdout();
    g_lastHitNode = 7;
  }

  void Build(int32_t slot, const std::vector<float>& heights) {
    ObjectBuildBegin(&engine_, slot, 0);
    for (float z : heights) {
      ObjectBuildVertex(&engine_, -10.0f, -10.0f, z, 0.0f, 0.0f, 0xFFFFFF);
      ObjectBuildVertex(&engine_, 10.0f, -10.0f, z, 0.0f, 0.0f, 0xFFFFFF);
      ObjectBuildVertex(&engine_, 0.0f, 10.0f, z, 0.0f, 0.0f, 0xFFFFFF);
    }
    ObjectBuildEnd(&engine_);
    ASSERT_EQ(engine_.objects[slot].inUse, 1);
  }

  Dodevudi3D engine_{nullptr};
};

TEST_F(CollisionTest, SpheresHitFacesEdgesAndTheFirstNode) {
  struct Case {
    V3 centre;
    float radius;
    bool hit;
    int32_t lastHit;
  };
  const Case cases[] = {
      {{0, 0, 0.5f}, 1, true, 0},         // over the middle of T0
      {{0, 0, 1.5f}, 1, false, 0},        // too high above it
      {{0, -10.5f, 0.3f}, 1, true, 0},    // outside, but within reach of an edge
      {{0, -11.5f, 0.3f}, 1, false, 0},   // out of reach of the edge
      {{0, 0, 5.5f}, 1, true, 1},         // over T1
      {{-10, -10, 0.2f}, 1, true, 0},     // holds the first node: no triangle recorded
      {{100, 0, 0}, 1, false, 0},         // beyond the bounds
      {{0, 0, 0.5f}, -1, false, 0},       // a negative radius reaches nothing
      {{std::nanf(""), 0, 0}, 1, false, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Object3DSphereTest(engine_, 1, 0, c.centre.x, c.centre.y, c.centre.z, c.radius), c.hit)
        << c.centre.x << " " << c.centre.y << " " << c.centre.z;
    EXPECT_EQ(Object3DLastHit(), c.lastHit) << c.centre.z;
  }
  // Step 4 leaves the node at -1.
  EXPECT_TRUE(Object3DSphereTest(engine_, 1, 0, -10, -10, 0.2f, 1));
  EXPECT_EQ(g_lastHitNode, -1);
}

TEST_F(CollisionTest, MissingObjectsAndFramesGiveNoHit) {
  for (int32_t slot : {-1, 0, 4096, 70000}) {
    EXPECT_FALSE(Object3DSphereTest(engine_, slot, 0, 0, 0, 0.5f, 1));
    const float origin[3] = {0, 0, -5};
    const float along[3] = {0, 0, 1};
    EXPECT_EQ(Object3DRayTest(engine_, slot, 0, origin, along), 0.0f);
  }
  for (int64_t frame : {int64_t{1}, int64_t{-1}, int64_t{0xFFFFFFFF}}) {
    EXPECT_FALSE(Object3DSphereTest(engine_, 1, frame, 0, 0, 0.5f, 1));
  }
}

TEST_F(CollisionTest, TheCurrentLevelMovesTheObject) {
  X3DPosition(engine_, 0, 0, -5);  // T1 now lies in the plane z = 0
  EXPECT_TRUE(Object3DSphereTest(engine_, 1, 0, 0, 0, 0.5f, 1));
  EXPECT_EQ(Object3DLastHit(), 1);
  EXPECT_FALSE(Object3DSphereTest(engine_, 2, 0, 0, 0, 0.5f, 1));
  // Turned a quarter about x, T0 stands in the plane y = 0.
  X3DResetStack(engine_);
  X3DRotate(engine_, 90, 1, 0, 0);
  const float origin[3] = {0, -5, 0};
  const float along[3] = {0, 1, 0};
  EXPECT_NEAR(Object3DRayTest(engine_, 2, 0, origin, along), 5.0f, 1e-4f);
}

TEST_F(CollisionTest, RaysKeepTheNearestHitAheadElseBehind) {
  struct Case {
    V3 origin;
    V3 direction;
    float distance;
    int32_t lastHit;
  };
  const Case cases[] = {
      {{0, 0, -5}, {0, 0, 1}, 5, 0},
      {{0, 0, 2.5f}, {0, 0, -2}, 2.5f, 0},  // the direction's length does not count
      {{0, 0, 2.5f}, {0, 0, 1}, 2.5f, 1},
      {{0, 0, 7}, {0, 0, 1}, -2, 1},        // nothing ahead: the nearest behind
      {{50, 0, -5}, {0, 0, 1}, 0, 0},       // passes beside both
      {{0, 0, -5}, {1, 0, 0}, 0, 0},        // parallel to both
  };
  for (const Case& c : cases) {
    const float o[3] = {c.origin.x, c.origin.y, c.origin.z};
    const float d[3] = {c.direction.x, c.direction.y, c.direction.z};
    EXPECT_FLOAT_EQ(Object3DRayTest(engine_, 1, 0, o, d), c.distance) << c.origin.z;
    EXPECT_EQ(Object3DLastHit(), c.lastHit) << c.origin.z;
  }
}

TEST(RayTriangleTest, CrossingsInsideGiveTheSignedDistance) {
  const float a[3] = {0, 0, 0};
  const float b[3] = {1, 0, 0};
  const float e[3] = {0, 1, 0};
  const float line[3] = {2, 0, 0};  // degenerate: corners in a line
  const float down[3] = {0, 0, -1};
  struct Case {
    V3 origin;
    float distance;
  };
  const Case cases[] = {{{0.25f, 0.25f, 3}, 3}, {{0.25f, 0.25f, -2}, -2}, {{0.6f, 0.6f, 1}, 0},
                        {{1, 0, 1}, 1},         {{-0.01f, 0.5f, 1}, 0}};
  for (const Case& c : cases) {
    const float o[3] = {c.origin.x, c.origin.y, c.origin.z};
    EXPECT_FLOAT_EQ(RayTriangleDistance(a, b, e, o, down), c.distance) << c.origin.x;
  }
  const float o[3] = {0.25f, 0.25f, 3};
  EXPECT_EQ(RayTriangleDistance(a, b, line, o, down), 0.0f);
}

TEST_F(CollisionTest, BoxesAreSeparatedByTheirAxesOrTouch) {
  struct Case {
    int32_t slot;
    V3 centre, h1, h2, h3;
    bool hit;
  };
  const float s = std::sqrt(0.5f);
  const Case cases[] = {
      {1, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0.5f}, false},  // floats between T0 and T1
      {1, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1.5f}, true},
      {2, {0, 0, 1.2f}, {1, 0, 0}, {0, s, s}, {0, -s, s}, true},  // turned: its edge dips below z = 0
      {2, {0, 0, 1.5f}, {1, 0, 0}, {0, s, s}, {0, -s, s}, false},
      {2, {0, -12, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, false},   // beside T0's edge, in its plane
      // A long thin box whose end reaches T0's top corner from far away.
      {2, {0, 29.9f, 0}, {0.1f, 0, 0}, {0, 20, 0}, {0, 0, 0.1f}, true},
      {2, {0, 30.5f, 0}, {0.1f, 0, 0}, {0, 20, 0}, {0, 0, 0.1f}, false},
  };
  for (const Case& c : cases) {
    const float centre[3] = {c.centre.x, c.centre.y, c.centre.z};
    const float h1[3] = {c.h1.x, c.h1.y, c.h1.z};
    const float h2[3] = {c.h2.x, c.h2.y, c.h2.z};
    const float h3[3] = {c.h3.x, c.h3.y, c.h3.z};
    EXPECT_EQ(Object3DBoxTest(engine_, c.slot, 0, centre, h1, h2, h3), c.hit) << c.centre.y << " " << c.centre.z;
  }
}

TEST(SphereBoxTest, MeasuresTheCentreBeyondTheFaces) {
  struct Case {
    V3 centre;
    float radiusSquared;
    bool hit;
  };
  const Case cases[] = {{{0.5f, -0.5f, 0.9f}, 0, true}, {{2, 0, 0}, 1, true},     {{2.5f, 0, 0}, 1, false},
                        {{-2, 2, 0}, 1.9f, false},      {{-2, 2, 0}, 2, true},    {{0, 0, -3}, 3.9f, false}};
  for (const Case& c : cases) {
    const float centre[3] = {c.centre.x, c.centre.y, c.centre.z};
    EXPECT_EQ(SphereBoxTest(centre, c.radiusSquared, 1, 1, 1), c.hit) << c.centre.x << " " << c.centre.z;
  }
}

TEST_F(CollisionTest, ConesReachFacesEdgesAndCorners) {
  // Slot 5: a slanted triangle whose plane the z axis meets at z = -1/3.
  testing::internal::CaptureStdout();
  ObjectBuildBegin(&engine_, 5, 0);
  ObjectBuildVertex(&engine_, -1.0f, -1.0f, -1.0f, 0.0f, 0.0f, 0xFFFFFF);
  ObjectBuildVertex(&engine_, 1.0f, -1.0f, -1.0f, 0.0f, 0.0f, 0xFFFFFF);
  ObjectBuildVertex(&engine_, 0.0f, 2.0f, 1.0f, 0.0f, 0.0f, 0xFFFFFF);
  ObjectBuildEnd(&engine_);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(engine_.objects[5].inUse, 1);
  struct Case {
    int32_t slot;
    V3 apex, direction;
    float angle;
    float hit;
  };
  const Case cases[] = {
      {2, {0, 0, -5}, {0, 0, 1}, 10, 1},     // the axis pierces the face
      {2, {0, 0, -5}, {0, 0, -1}, 10, 0},    // pointing away
      {2, {0, 0, 5}, {0, 0, -7}, 10, 1},     // from above, any length
      {2, {30, 0, -5}, {0, 0, 1}, 10, 0},    // beside it
      {2, {30, 0, -5}, {0, 0, 1}, 80, 1},    // wide enough to reach it
      {2, {30, 0, 0.5f}, {-1, 0, 0}, 3, 1},  // along the plane, just above it
      {1, {0, 0, 7}, {0, 0, 1}, 45, 0},      // both triangles behind the apex
      {5, {0, 0, 0}, {0, 0, 1}, 10, 0},      // the axis meets its plane behind the apex
      {0, {0, 0, -5}, {0, 0, 1}, 10, 0},     // an empty slot
      {4096, {0, 0, -5}, {0, 0, 1}, 10, 0},
  };
  for (const Case& c : cases) {
    const float apex[3] = {c.apex.x, c.apex.y, c.apex.z};
    const float dir[3] = {c.direction.x, c.direction.y, c.direction.z};
    EXPECT_EQ(Object3DConeTest(engine_, c.slot, 0, apex, dir, c.angle), c.hit)
        << c.slot << " " << c.apex.x << " " << c.angle;
  }
  EXPECT_EQ(g_lastHitNode, 7);  // the cone test leaves it
  // Moved away by the level, the triangle is out of reach.
  X3DPosition(engine_, 40, 0, 0);
  const float apex[3] = {0, 0, -5};
  const float dir[3] = {0, 0, 1};
  EXPECT_EQ(Object3DConeTest(engine_, 2, 0, apex, dir, 10), 0.0f);
}

TEST(ConeTriangleTest, CornersEdgesAndFace) {
  const float axis[3] = {0, 0, 1};
  const float apex[3] = {0, 0, -5};
  const float c10 = std::cos(10 * 0.017453292f);
  struct Case {
    float triangle[9];
    float cosine;
    bool hit;
  };
  const Case cases[] = {
      {{-100, -100, 0, 100, -100, 0, 0, 100, 0}, c10, true},     // face only
      {{-100, -100, -6, 100, -100, -6, 0, 100, -6}, c10, false},  // behind the apex
      {{-10, 0.5f, 0, 10, 0.5f, 0, 0, 20, 0}, c10, true},         // an edge passes the axis
      {{-10, 1.5f, 0, 10, 1.5f, 0, 0, 20, 0}, c10, false},
      {{0, 0, 0, 10, 0, 0, 0, 10, 0}, 1, true},                   // a corner on a cone of angle 0
      {{0.5f, 0, 0, 10, 0, 0, 0.5f, 10, 0}, 1, false},
      {{-10, 0.2f, -10, 10, 0.2f, 0, 20, 0.2f, 10}, c10, true},   // an edge from behind the apex
      // The axis line meets the plane behind the apex (z = -16/3) and no
      // point of the triangle ahead of the apex lies in the cone.
      {{-1, -1, -6, 1, -1, -6, 0, 2, -4}, c10, false},
      // The same plane's meeting point in front of the apex is a hit.
      {{-1, -1, -4, 1, -1, -4, 0, 2, -2}, c10, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConeTriangleTest(axis, apex, c.cosine, c.triangle), c.hit) << c.triangle[0] << " " << c.triangle[1];
  }
}

TEST(PlaneTest, LinePlanePoint) {
  struct Case {
    float normal[3];
    float d;
    float segment[6];
    V3 want;
  };
  const Case cases[] = {
      {{0, 0, 1}, 0, {1, 2, -3, 1, 2, 5}, {1, 2, 0}},
      {{0, 0, 1}, -2, {0, 0, 0, 0, 0, 10}, {0, 0, 2}},
      {{0, 0, 1}, 0, {1, 2, 3, 4, 2, 3}, {1, 2, 3}},  // parallel: the end P
      {{0, 0, 1}, 0, {1, 2, 3, 1, 2, 3}, {1, 2, 3}},  // no direction
  };
  for (const Case& c : cases) {
    float out[3];
    LinePlanePoint(out, c.normal, c.segment, c.d);
    EXPECT_FLOAT_EQ(out[0], c.want.x);
    EXPECT_FLOAT_EQ(out[1], c.want.y);
    EXPECT_FLOAT_EQ(out[2], c.want.z);
  }
}

TEST(PlaneTest, SegmentPolygon) {
  const float square[12] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  struct Case {
    float segment[6];
    int32_t count;
    bool hit;
  };
  const Case cases[] = {
      {{0, 0, -1, 0, 0, 1}, 4, true},   {{-0.9f, 0.9f, 1, -0.9f, 0.9f, -1}, 4, true},
      {{0, 0, 0, 0, 0, 1}, 4, false},   // an end on the plane
      {{2, 0, -1, 2, 0, 1}, 4, false},  // beside it
      {{0, 0, 1, 0, 0, 2}, 4, false},   // one side
      {{-0.9f, 0.9f, 1, -0.9f, 0.9f, -1}, 3, false},  // outside the first three corners' triangle
      {{0, 0, -1, 0, 0, 1}, 0, false},  {{0, 0, -1, 0, 0, 1}, 2, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SegmentPolygonTest(square, c.segment, c.count), c.hit) << c.segment[0] << " " << c.count;
  }
}

TEST(PlaneTest, SpherePlaneClassify) {
  const float normal[3] = {0, 0, 1};
  const float point[3] = {3, 4, 1};
  struct Case {
    float z;
    int32_t side;
    float distance;
  };
  const Case cases[] = {{1.5f, 1, 0.5f}, {3, 2, 2}, {-1, 0, -2}, {2, 0, 1}};
  for (const Case& c : cases) {
    const float centre[3] = {7, -2, c.z};
    float distance = 99;
    EXPECT_EQ(SpherePlaneClassify(centre, normal, point, 1, &distance), c.side) << c.z;
    EXPECT_FLOAT_EQ(distance, c.distance);
  }
}

}  // namespace
