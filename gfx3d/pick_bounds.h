// The bounds with which a ray test skips the triangles of a frame that the
// ray cannot hit, and the triangles packed for the test.
//
// Each frame keeps them (MeshFrame::pick, made by the frame's first ray
// test); the first ray test after the frame's triangle list changed
// builds them again (MeshVerticesChanged marks them out of date, and a
// list moved or resized is noticed by its address and count).
//
// A triangle whose normal (the cross product of its two sides from its
// first corner, in floats) is zero or not finite never gives a hit and is
// left out. A well-shaped one ("tight": finite corners of moderate size,
// and an angle at its first corner far enough from 0 and 180 degrees that
// its rounded normal tilts little) can only give a hit when the exact line
// passes within a small distance of it: the rounding of the test's float
// plane and double barycentric arithmetic, at most about
// (5 + 4.4 k) 2^-24 (3 |origin - corner| + side) for k = 1 / sin(angle),
// with side the longest side. The tight triangles go in runs of
// kPickRun, in list order, each with its box, and the runs in groups of
// kPickGroup, each with the box of its runs; a ray is tested against a
// group or run only when it meets the box grown by twice that bound
// (worked for the whole frame: `relative` times (|origin - centre| +
// radius), plus `absolute` for rounding near the bottom of the float
// range), and against a triangle of a run only when it passes the
// triangle's sphere grown the same way. The other triangles are always
// tested.
//
// At a level that only turns and moves (X3DLevelTurnAndMove), a ray that
// passes far from where the level puts the bounds is seen to miss from
// the world side alone (PickBoundsMissedAt), before the level's matrix is
// worked out or the ray taken into the level's space.
//
// Main thread only.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/grow_array.h"
#include "core/matrix4.h"

struct MeshNode;

inline constexpr int32_t kPickRun = 8;
inline constexpr int32_t kPickGroup = 8;

// One triangle as the ray test reads it: first corner and the sides to
// the other two corners (as the test works them out), the index of the
// first node in the triangle list, and for a tight triangle a sphere
// around its corners.
struct PickTriangle {
  float a[3];
  float e0[3];
  float e1[3];
  int32_t node;
  float centre[3];
  float radius;
};

// A run of tight triangles and the box of their corners, or a group of
// runs and the box of theirs.
struct PickRun {
  float lo[3];
  float hi[3];
  int32_t first;  // into PickBounds::triangles, or runs for a group
  int32_t count;
};

// Aligned to a cache line, so that a quick miss reads one line of them.
struct alignas(64) PickBounds {
  PickBounds() = default;
  // A copy is out of date: the next test builds its own.
  PickBounds(const PickBounds&) {}
  PickBounds& operator=(const PickBounds&) {
    valid = 0;
    return *this;
  }

  // The list they were built from, and whether they still stand for it.
  const MeshNode* source = nullptr;
  int32_t sourceCount = 0;
  int32_t valid = 0;

  // How many tight triangles (the first of the loose ones) and how many
  // loose ones there are in triangles.
  int32_t looseFirst = 0;
  int32_t looseCount = 0;
  // The distance from a level's move beyond which a line misses
  // (PickBoundsMissedAt) is missFixed + missSlope u + 2^-19 (u + 2)
  // (u + |origin| + 2), u the origin's distance from the move (each a
  // float no smaller than its exact value).
  float missFixed = 0.0f;
  float missSlope = 0.0f;

  // The box of every tight triangle, also as a centre and the distance to
  // its corners; the two parts of the margin.
  float lo[3] = {};
  float hi[3] = {};
  double centre[3] = {};
  double radius = 0.0;
  double relative = 0.0;
  double absolute = 0.0;

  // The tight triangles in their runs, then (from looseFirst) the others
  // that can give a hit, each part in list order.
  GrowArray<PickTriangle> triangles;
  GrowArray<PickRun> runs;
  GrowArray<PickRun> groups;
};

// The two sides from corner a and their cross product, as the ray test
// works them out (the cross product alone: Vec3Cross(e0, e1, n)).
inline void PickTriangleSides(const float a[3], const float b[3], const float e[3], float e0[3], float e1[3],
                              float n[3]) {
  for (int i = 0; i < 3; ++i) {
    e0[i] = b[i] - a[i];
    e1[i] = e[i] - a[i];
  }
  Vec3Cross(e0, e1, n);
}

// True when the bounds stand for the triangle list of `listed` nodes at
// nodes: they were built from its whole triangles (the count rounded down
// to a multiple of 3).
inline bool PickBoundsCurrent(const PickBounds& bounds, const MeshNode* nodes, int32_t listed) {
  return bounds.valid != 0 && bounds.source == nodes && static_cast<uint32_t>(listed - bounds.sourceCount) < 3u;
}

// Builds the bounds of a triangle list of count nodes (a multiple of 3).
// False, with the bounds left out of date, when their memory cannot be had.
bool PickBoundsBuild(PickBounds& bounds, const MeshNode* nodes, int32_t count);

// True when the ray test of (origin, direction) can hit no triangle of
// the bounds at a level whose matrix turns and moves by `move` (as
// X3DLevelTurnAndMove vouches for it): the line passes farther from the
// move than the tight triangles reach from the frame's origin, by more
// than the test's rounding (of the direction, the ray's way into the
// level's space and the margin) can make up. False when it cannot tell:
// the bounds hold loose triangles, the test would not normalise the
// direction, or the origin lies too far out. (pick_bounds.cpp works out
// the far distance.)
//
// Here in floats: the sums below come out at most 2^-22 short and the far
// distance from its rounding at most 2^-19 short, so its square at most
// 2^-18 short; the cross product of w = t - O and the direction is
// within 6.3 2^-24 |w| |direction| of the exact one, which a 2^-20 u in
// missSlope makes up; the squares and products of the last comparison are
// off by less than 2^-21 of their size. The factor 1 + 2^-16 makes up the
// shares. A far distance too large for a float is infinite: no miss.
inline bool PickBoundsMissedAt(const PickBounds& bounds, const float move[3], const float origin[3],
                               const float direction[3]) {
  if (bounds.looseCount != 0) return false;
  if (bounds.looseFirst == 0) return true;  // no triangle that can hit
  const float w[3] = {move[0] - origin[0], move[1] - origin[1], move[2] - origin[2]};
  const float* d = direction;
  const float away = std::fabs(w[0]) + std::fabs(w[1]) + std::fabs(w[2]);
  const float out = std::fabs(origin[0]) + std::fabs(origin[1]) + std::fabs(origin[2]);
  const float squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  // The direction well above the test's 1e-7, which it normalises; the
  // comparisons also fail for what is not finite.
  if (!(away <= 0x1p12f && out <= 0x1p16f && squared >= 0x1p-20f && squared <= 0x1p100f)) return false;
  const float far = bounds.missFixed + bounds.missSlope * away + 0x1p-19f * (away + 2.0f) * (away + out + 2.0f);
  const float x = w[1] * d[2] - w[2] * d[1];
  const float y = w[2] * d[0] - w[0] * d[2];
  const float z = w[0] * d[1] - w[1] * d[0];
  return x * x + y * y + z * z > far * far * squared * (1.0f + 0x1p-16f);
}
