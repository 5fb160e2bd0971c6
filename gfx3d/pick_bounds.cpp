#include "gfx3d/pick_bounds.h"

#include <algorithm>
#include <cmath>

#include "core/float_to_int.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/transform_stack.h"

namespace {

constexpr double kUnit = 0x1p-24;           // the rounding unit of floats
constexpr double kLargest = 0x1p50;         // a corner coordinate beyond this: not tight
constexpr double kSmallestNormal = 0x1p-100;  // a normal shorter than this: not tight
constexpr double kMostTilt = 0x1p-14;       // the most tilt of the rounded normal, in radians

enum class Kind { kNever, kTight, kLoose };

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

// Packs the triangle (a, b, e) and sorts it. For a tight one, *k receives
// the bound of 1 / sin(angle at a) that its margin uses and *normal the
// length of its exact normal.
Kind Classify(const float a[3], const float b[3], const float e[3], int32_t node, PickTriangle* out, double* k,
              double* normal) {
  float n[3];
  PickTriangleSides(a, b, e, out->e0, out->e1, n);
  for (int i = 0; i < 3; ++i) {
    out->a[i] = a[i];
    out->centre[i] = 0.0f;
  }
  out->radius = 0.0f;
  out->node = node;
  // The test gives no hit for a zero normal, nor for one that is not
  // finite: its dot products with the ray are then NaN or infinite, and
  // so is the distance. A finite normal has finite sides and corners.
  if (!(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]))) return Kind::kNever;
  if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f) return Kind::kNever;
  for (const float* corner : {a, b, e}) {
    for (int i = 0; i < 3; ++i) {
      if (!(std::fabs(corner[i]) <= kLargest)) return Kind::kLoose;
    }
  }
  const float* e0 = out->e0;
  const float* e1 = out->e1;
  // The products of floats are exact in doubles.
  const double exact = Length(double{e0[1]} * e1[2] - double{e0[2]} * e1[1], double{e0[2]} * e1[0] - double{e0[0]} * e1[2],
                              double{e0[0]} * e1[1] - double{e0[1]} * e1[0]);
  if (!(exact >= kSmallestNormal)) return Kind::kLoose;
  // The rounded normal lies within 4 units times |e0| |e1| of the exact
  // one (plus a trace for products below the normal float range).
  const double spread = 4.0 * kUnit * Length(e0[0], e0[1], e0[2]) * Length(e1[0], e1[1], e1[2]) + 0x1p-140;
  if (!(spread <= kMostTilt * exact)) return Kind::kLoose;
  *k = spread / (4.0 * kUnit * exact);
  *normal = exact;
  // The sphere: around the mean of the corners, reaching the farthest
  // (a float at least as far as the double distance).
  for (int i = 0; i < 3; ++i) out->centre[i] = static_cast<float>((double{a[i]} + b[i] + e[i]) / 3.0);
  double reach = 0.0;
  for (const float* corner : {a, b, e}) {
    const float* c = out->centre;
    reach = std::max(reach, Length(double{corner[0]} - c[0], double{corner[1]} - c[1], double{corner[2]} - c[2]));
  }
  out->radius = std::nextafter(static_cast<float>(reach), HUGE_VALF);
  return Kind::kTight;
}

// The least float no smaller than x (infinity beyond the floats).
float FloatAbove(double x) {
  const float f = NarrowToFloat(x);
  return f < x ? std::nextafter(f, HUGE_VALF) : f;
}

// Sizes the array for exactly n elements, dropping what it held.
template <typename T>
bool SizeExactly(GrowArray<T>& array, int32_t n) {
  array.Release();
  if (n == 0) return true;
  array.first = n;
  array.step = n;
  if (!array.Reserve(n - 1)) return false;
  array.count = n;
  return true;
}

}  // namespace

bool PickBoundsBuild(PickBounds& bounds, const MeshNode* nodes, int32_t count) {
  bounds.valid = 0;
  int32_t tight = 0;
  int32_t loose = 0;
  PickTriangle packed;
  double k = 0.0;
  double normal = 0.0;
  for (int32_t i = 0; i + 2 < count; i += 3) {
    const Kind kind = Classify(nodes[i].position, nodes[i + 1].position, nodes[i + 2].position, i, &packed, &k, &normal);
    tight += kind == Kind::kTight ? 1 : 0;
    loose += kind == Kind::kLoose ? 1 : 0;
  }
  const int32_t runs = (tight + kPickRun - 1) / kPickRun;
  const int32_t groups = (runs + kPickGroup - 1) / kPickGroup;
  if (!SizeExactly(bounds.triangles, tight + loose) || !SizeExactly(bounds.runs, runs) ||
      !SizeExactly(bounds.groups, groups)) {
    bounds.triangles.Release();
    bounds.runs.Release();
    bounds.groups.Release();
    return false;
  }
  bounds.looseFirst = tight;
  bounds.looseCount = loose;
  int32_t nextTight = 0;
  int32_t nextLoose = tight;
  double mostK = 0.0;
  double leastNormal = 0.0;
  double farthest = 0.0;  // of the tight triangles' corners from the origin
  for (int32_t i = 0; i + 2 < count; i += 3) {
    const Kind kind = Classify(nodes[i].position, nodes[i + 1].position, nodes[i + 2].position, i, &packed, &k, &normal);
    if (kind == Kind::kLoose) bounds.triangles[nextLoose++] = packed;
    if (kind != Kind::kTight) continue;
    mostK = std::max(mostK, k);
    leastNormal = nextTight == 0 ? normal : std::min(leastNormal, normal);
    PickRun& run = bounds.runs[nextTight / kPickRun];
    if (nextTight % kPickRun == 0) {
      run.first = nextTight;
      run.count = 0;
      for (int j = 0; j < 3; ++j) run.lo[j] = run.hi[j] = packed.a[j];
    }
    ++run.count;
    for (int32_t c = i; c < i + 3; ++c) {
      const float* p = nodes[c].position;
      for (int j = 0; j < 3; ++j) {
        run.lo[j] = std::min(run.lo[j], p[j]);
        run.hi[j] = std::max(run.hi[j], p[j]);
      }
      farthest = std::max(farthest, Length(p[0], p[1], p[2]));
    }
    bounds.triangles[nextTight++] = packed;
  }
  for (int32_t r = 0; r < runs; ++r) {
    const PickRun& run = bounds.runs[r];
    PickRun& group = bounds.groups[r / kPickGroup];
    if (r % kPickGroup == 0) group = {{run.lo[0], run.lo[1], run.lo[2]}, {run.hi[0], run.hi[1], run.hi[2]}, r, 0};
    ++group.count;
    for (int j = 0; j < 3; ++j) {
      group.lo[j] = std::min(group.lo[j], run.lo[j]);
      group.hi[j] = std::max(group.hi[j], run.hi[j]);
    }
  }
  for (int j = 0; j < 3; ++j) {
    bounds.lo[j] = groups > 0 ? bounds.groups[0].lo[j] : 0.0f;
    bounds.hi[j] = groups > 0 ? bounds.groups[0].hi[j] : 0.0f;
  }
  for (const PickRun& group : bounds.groups) {
    for (int j = 0; j < 3; ++j) {
      bounds.lo[j] = std::min(bounds.lo[j], group.lo[j]);
      bounds.hi[j] = std::max(bounds.hi[j], group.hi[j]);
    }
  }
  for (int j = 0; j < 3; ++j) bounds.centre[j] = (double{bounds.lo[j]} + bounds.hi[j]) / 2.0;
  bounds.radius = Length(double{bounds.hi[0]} - bounds.lo[0], double{bounds.hi[1]} - bounds.lo[1],
                         double{bounds.hi[2]} - bounds.lo[2]) /
                  2.0;
  // A hit lies within about (5 + 4.4 k) units times (3 |origin - corner| +
  // side) of the line; |origin - corner| is at most |origin - centre| +
  // radius and a side at most twice the radius, so 6 (5 + 4.4 k) units
  // times (|origin - centre| + radius) bounds it, and the margin is twice
  // that.
  // Products and sums below the normal float range are off by up to
  // 2^-150 each rather than by a share of their size: three in the plane's
  // dot product, over the length of the normal.
  bounds.relative = 2.0 * 6.0 * (5.0 + 4.4 * mostK) * kUnit;
  bounds.absolute = tight > 0 ? 2.0 * 3.0 * 0x1p-150 / leastNormal : 0.0;
  // The far distance of PickBoundsMissedAt. The ray test normalises the
  // direction to dn, takes the origin O and the point A = O + dn (in
  // floats) into the level's space as M^T (p - t), for the 3x3 part M and
  // the translation t of the level's matrix, and goes on with the line
  // through o and o + d, d = p - o; a tight triangle can give a hit only
  // when that line passes within half the margin of it (the margin that
  // the bounds' near test works out from |o - centre|_1 and the radius).
  // Every tight triangle lies within `farthest` of the frame's origin, so
  // a line that passes the origin farther than farthest + margin hits
  // none. With M stretching vectors by a factor within 1 -+ e,
  // e = kTurnStretch = 2^-10, u = |O - t| <= 2^12, |O| <= 2^16 and the
  // rounding unit 2^-24, the world side bounds that distance from below:
  //  - the line through O and A leans from the direction by at most
  //    2^-22 (|O| + 2) (the normalisation's and the addition's rounding),
  //    so near t it lies within that times u of the direction's line;
  //  - the exact image of a line under x -> M^T (x - t) passes the origin
  //    at (1 -+ e) times the line's distance from t;
  //  - o and p are within 7 2^-24 u and 7 2^-24 (u + 2) of their exact
  //    images, d within 2^-20 (u + 2) of its (and |d| >= 0.99), which moves
  //    the line near the origin by at most 7 2^-24 u + |o| / 0.99 2^-20
  //    (u + 2), with |o| <= (1 + e) u + 1;
  //  - the margin is at most relative (sqrt 3 (|o| + |centre|) + radius) +
  //    absolute.
  // So the line misses when its distance from t exceeds (1 + 2e)
  // (farthest + margin + the moves) + the lean; missFixed, missSlope and
  // the 2^-19 term hold that, with the sums u and |O| taken as the sums of
  // the coordinates' sizes (no smaller) and shares of 2^-30 for the
  // rounding of the near test's doubles. The parts fixed by the bounds
  // (1 + 2^-9 is 1 + 2 kTurnStretch) come with a last 2^-40 for the
  // rounding of these sums.
  static_assert(kTurnStretch == 0x1p-10);
  const double around = Length(bounds.centre[0], bounds.centre[1], bounds.centre[2]) + bounds.radius;
  const double reach = farthest * (1.0 + 0x1p-40);
  bounds.missFixed = FloatAbove(((1.0 + 0x1p-9 + 0x1p-29) * reach + bounds.relative * (1.74 + 2.75 * around) +
                                 1.01 * bounds.absolute + 0x1p-30 + 0x1p-100) *
                                (1.0 + 0x1p-40));
  // With 2^-20 for the float cross product of PickBoundsMissedAt.
  bounds.missSlope = FloatAbove((1.74 * bounds.relative + 0x1p-30 + 0x1p-20) * (1.0 + 0x1p-40));
  bounds.source = nodes;
  bounds.sourceCount = count;
  bounds.valid = 1;
  return true;
}
