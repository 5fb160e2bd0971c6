#include "gfx3d/collision.h"

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

#include "core/matrix4.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/billboards.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/pick_bounds.h"
#include "gfx3d/transform_stack.h"

int32_t g_lastHitNode = -1;

namespace {

constexpr float kMinSquared = 1e-7f;
constexpr float kInsideTurn = 6.2203536f;  // 0.99 of a full turn

void Sub(const float a[3], const float b[3], float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

float DistanceSquared(const float a[3], const float b[3]) {
  float d[3];
  Sub(a, b, d);
  return Vec3Dot(d, d);
}

float LengthOrZero(const float v[3]) {
  const float sq = Vec3Dot(v, v);
  return sq <= kMinSquared ? 0.0f : std::sqrt(sq);
}

// The point of segment ab closest to c.
void ClosestOnSegment(const float a[3], const float b[3], const float c[3], float out[3]) {
  float ab[3];
  float ac[3];
  Sub(b, a, ab);
  Sub(c, a, ac);
  const float len = Vec3Dot(ab, ab);
  float t = len > 0.0f ? Vec3Dot(ac, ab) / len : 0.0f;
  t = std::clamp(t, 0.0f, 1.0f);
  if (std::isnan(t)) t = 0.0f;
  for (int i = 0; i < 3; ++i) out[i] = a[i] + t * ab[i];
}

// A world vector (v) or point (p) in the space of the level whose result
// matrix is m: M transposed times v, or times p minus the translation.
inline void ToLevelVector(const float m[16], const float v[3], float out[3]) {
  const float x = m[0] * v[0] + m[1] * v[1] + m[2] * v[2];
  const float y = m[4] * v[0] + m[5] * v[1] + m[6] * v[2];
  const float z = m[8] * v[0] + m[9] * v[1] + m[10] * v[2];
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

inline void ToLevelPoint(const float m[16], const float p[3], float out[3]) {
  const float d[3] = {p[0] - m[12], p[1] - m[13], p[2] - m[14]};
  ToLevelVector(m, d, out);
}

// Projections of the triangle (relative to the box centre) on the axis
// against the box's projection radius.
bool SeparatedOn(const float axis[3], const float rel[3][3], const float* const h[3]) {
  if (Vec3Dot(axis, axis) <= 1e-12f) return false;
  const float p0 = Vec3Dot(axis, rel[0]);
  const float p1 = Vec3Dot(axis, rel[1]);
  const float p2 = Vec3Dot(axis, rel[2]);
  const float r = std::fabs(Vec3Dot(h[0], axis)) + std::fabs(Vec3Dot(h[1], axis)) +
                  std::fabs(Vec3Dot(h[2], axis));
  return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
}

bool BoxTriangleTest(const float c[3], const float* const h[3], const float a[3], const float b[3],
                     const float e[3]) {
  float rel[3][3];
  Sub(a, c, rel[0]);
  Sub(b, c, rel[1]);
  Sub(e, c, rel[2]);
  float edges[3][3];
  Sub(b, a, edges[0]);
  Sub(e, b, edges[1]);
  Sub(a, e, edges[2]);
  for (int i = 0; i < 3; ++i) {
    if (SeparatedOn(h[i], rel, h)) return false;
  }
  float n[3];
  Vec3Cross(edges[0], edges[1], n);
  if (SeparatedOn(n, rel, h)) return false;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      float axis[3];
      Vec3Cross(h[i], edges[j], axis);
      if (SeparatedOn(axis, rel, h)) return false;
    }
  }
  return true;
}

// Keeps the nearest hit ahead and the nearest behind; the first of equal
// distances stays.
struct RayBest {
  float ahead = 0.0f;
  float behind = 0.0f;
  int32_t aheadNode = -1;
  int32_t behindNode = -1;

  void Offer(float t, int32_t node) {
    if (t > 0.0f && (aheadNode < 0 || t < ahead)) {
      ahead = t;
      aheadNode = node;
    } else if (t < 0.0f && (behindNode < 0 || t > behind)) {
      behind = t;
      behindNode = node;
    }
  }
  // The same keeping for triangles offered out of list order: of equal
  // distances the lower node stays, as it would in order.
  void OfferNode(float t, int32_t node) {
    if (t > 0.0f && (aheadNode < 0 || t < ahead || (t == ahead && node < aheadNode))) {
      ahead = t;
      aheadNode = node;
    } else if (t < 0.0f && (behindNode < 0 || t > behind || (t == behind && node < behindNode))) {
      behind = t;
      behindNode = node;
    }
  }
  float Result() const { return aheadNode >= 0 ? ahead : (behindNode >= 0 ? behind : 0.0f); }
  int32_t Node() const { return aheadNode >= 0 ? aheadNode : behindNode; }
};

// The signed distance along the direction from the origin to the plane of
// the triangle with first corner a, sides e0 and e1 from it and normal n =
// e0 x e1, when the crossing lies inside the triangle; else 0 (also for a
// degenerate triangle or a direction parallel to its plane).
inline float RaySidesDistance(const float a[3], const float e0[3], const float e1[3], const float n[3],
                              const float origin[3], const float direction[3]) {
  if (n[0] == 0.0f && n[1] == 0.0f && n[2] == 0.0f) return 0.0f;
  const float nd = Vec3Dot(n, direction);
  if (!(std::fabs(nd) > 0.0f)) return 0.0f;
  const float oa[3] = {origin[0] - a[0], origin[1] - a[1], origin[2] - a[2]};
  const float t = -Vec3Dot(n, oa) / nd;
  // Barycentric coordinates of the crossing relative to a, in doubles so
  // thin triangles keep their sign. Each sum starts at 0 and adds its
  // three products in order.
  const double x0 = e0[0], x1 = e0[1], x2 = e0[2];
  const double y0 = e1[0], y1 = e1[1], y2 = e1[2];
  const double w0 = static_cast<double>(oa[0]) + static_cast<double>(t) * direction[0];
  const double w1 = static_cast<double>(oa[1]) + static_cast<double>(t) * direction[1];
  const double w2 = static_cast<double>(oa[2]) + static_cast<double>(t) * direction[2];
  const double d00 = ((0.0 + x0 * x0) + x1 * x1) + x2 * x2;
  const double d01 = ((0.0 + x0 * y0) + x1 * y1) + x2 * y2;
  const double d11 = ((0.0 + y0 * y0) + y1 * y1) + y2 * y2;
  const double d20 = ((0.0 + w0 * x0) + w1 * x1) + w2 * x2;
  const double d21 = ((0.0 + w0 * y0) + w1 * y1) + w2 * y2;
  const double denom = d00 * d11 - d01 * d01;
  if (!(denom > 0.0)) return 0.0f;
  const double s = (d11 * d20 - d01 * d21) / denom;
  if (!(s >= 0.0 && s <= 1.0)) return 0.0f;
  const double u = (d00 * d21 - d01 * d20) / denom;
  if (!(u >= 0.0 && s + u <= 1.0)) return 0.0f;
  return t;
}

// The ray's line in doubles, with the margin by which the pick bounds'
// boxes grow for it.
struct BoxLine {
  double o[3];
  double d[3];
  double inverse[3];
  double squared = 0.0;  // |d|^2
  double margin = 0.0;
};

// False for a ray the bounds are not worked out for (a coordinate that is
// not finite, a direction shorter than 2^-20): it is tested against every
// triangle. The inverse of the direction waits for BoxLineInvert.
bool BoxLineSetUp(const PickBounds& bounds, const float o[3], const float d[3], BoxLine* line) {
  line->o[0] = o[0];
  line->o[1] = o[1];
  line->o[2] = o[2];
  line->d[0] = d[0];
  line->d[1] = d[1];
  line->d[2] = d[2];
  const double squared = line->d[0] * line->d[0] + line->d[1] * line->d[1] + line->d[2] * line->d[2];
  // |o - centre| or more: the sum of the coordinates' distances.
  const double away = std::fabs(line->o[0] - bounds.centre[0]) + std::fabs(line->o[1] - bounds.centre[1]) +
                      std::fabs(line->o[2] - bounds.centre[2]);
  // A coordinate that is not finite makes one of the sums infinite or NaN.
  if (!(squared >= 0x1p-40 && squared <= DBL_MAX && away <= DBL_MAX)) return false;
  line->squared = squared;
  line->margin = bounds.relative * (away + bounds.radius) + bounds.absolute;
  return true;
}

// True when the line passes within radius and the margin of the centre:
// |(centre - o) x d| against (radius + margin) |d|.
inline bool BoxLineNear(const BoxLine& line, double cx, double cy, double cz, double radius) {
  const double w[3] = {cx - line.o[0], cy - line.o[1], cz - line.o[2]};
  const double x = w[1] * line.d[2] - w[2] * line.d[1];
  const double y = w[2] * line.d[0] - w[0] * line.d[2];
  const double z = w[0] * line.d[1] - w[1] * line.d[0];
  const double reach = radius + line.margin;
  return x * x + y * y + z * z <= reach * reach * line.squared;
}

void BoxLineInvert(BoxLine* line) {
  for (int i = 0; i < 3; ++i) line->inverse[i] = line->d[i] != 0.0 ? 1.0 / line->d[i] : 0.0;
}

// True when the line meets the box grown by the margin on every side.
inline bool BoxLineMeets(const BoxLine& line, const float lo[3], const float hi[3]) {
  double nearest = -HUGE_VAL;
  double farthest = HUGE_VAL;
  for (int i = 0; i < 3; ++i) {
    const double below = (lo[i] - line.o[i]) - line.margin;
    const double above = (hi[i] - line.o[i]) + line.margin;
    if (line.d[i] == 0.0) {
      if (below > 0.0 || above < 0.0) return false;
      continue;
    }
    double t0 = below * line.inverse[i];
    double t1 = above * line.inverse[i];
    if (t0 > t1) std::swap(t0, t1);
    nearest = std::max(nearest, t0);
    farthest = std::min(farthest, t1);
  }
  return nearest <= farthest;
}

void OfferTriangle(const PickTriangle& tri, const float o[3], const float d[3], RayBest& best) {
  float n[3];
  Vec3Cross(tri.e0, tri.e1, n);
  best.OfferNode(RaySidesDistance(tri.a, tri.e0, tri.e1, n, o, d), tri.node);
}

// Offers every triangle of the bounds that the ray can hit: those of the
// runs (in groups) whose grown boxes the line meets and whose grown
// spheres it passes, and every loose triangle.
void RayPickBounded(const PickBounds& bounds, const float o[3], const float d[3], RayBest& best) {
  const PickTriangle* triangles = bounds.triangles.data;
  BoxLine line;
  const bool skips = BoxLineSetUp(bounds, o, d, &line);
  bool near = bounds.looseFirst > 0;
  if (near && skips) {
    near = BoxLineNear(line, bounds.centre[0], bounds.centre[1], bounds.centre[2], bounds.radius);
    if (near) {
      BoxLineInvert(&line);
      near = BoxLineMeets(line, bounds.lo, bounds.hi);
    }
  }
  if (near) {
    for (const PickRun& group : bounds.groups) {
      if (skips && !BoxLineMeets(line, group.lo, group.hi)) continue;
      for (int32_t r = group.first; r < group.first + group.count; ++r) {
        const PickRun& run = bounds.runs[r];
        if (skips && !BoxLineMeets(line, run.lo, run.hi)) continue;
        for (int32_t k = run.first; k < run.first + run.count; ++k) {
          const PickTriangle& tri = triangles[k];
          if (skips && !BoxLineNear(line, tri.centre[0], tri.centre[1], tri.centre[2], tri.radius)) continue;
          OfferTriangle(tri, o, d, best);
        }
      }
    }
  }
  for (int32_t k = bounds.looseFirst; k < bounds.triangles.count; ++k) OfferTriangle(triangles[k], o, d, best);
}

// State of the debug drawings around their lines.
void DebugDrawBegin(Dodevudi3D& engine, uint32_t colour, float width) {
  if (engine.lightsMask != 0) GlStateDisable(GL_LIGHTING);
  if (engine.owner != nullptr) SpriteBindTexture(*engine.owner, -1, -1, 0, nullptr);
  GlStateDisable(GL_BLEND);
  GlStateEnable(GL_COLOR_MATERIAL);
  glLineWidth(width);
  GlColorCached(static_cast<float>(colour & 255) / 255.0f, static_cast<float>((colour >> 8) & 255) / 255.0f,
                static_cast<float>((colour >> 16) & 255) / 255.0f, 1.0f);
}

void DebugDrawEnd(Dodevudi3D& engine) {
  glLineWidth(1.0f);
  if (engine.lightsMask != 0) GlStateEnable(GL_LIGHTING);
}

}  // namespace

int32_t Object3DLastHit() { return g_lastHitNode / 3; }

void WorldToLevelVector(Dodevudi3D& engine, const float v[3], float out[3]) {
  X3DUpdateModelMatrix(engine);
  ToLevelVector(X3DModelMatrix(engine), v, out);
}

void WorldToLevelPoint(Dodevudi3D& engine, const float p[3], float out[3]) {
  X3DUpdateModelMatrix(engine);
  ToLevelPoint(X3DModelMatrix(engine), p, out);
}

const MeshNode* MeshTestFrame(const MeshObject& mesh, int64_t frame, int32_t* count) {
  if (frame < 0 || frame >= mesh.frames.count) return nullptr;
  const MeshFrame& f = mesh.frames[static_cast<int32_t>(frame)];
  if (f.triangles.count < 3 || f.triangles.data == nullptr) return nullptr;
  *count = f.triangles.count - f.triangles.count % 3;
  return f.triangles.data;
}

bool PointInsidePolygon(const float* corners, int32_t count, const float q[3]) {
  if (count <= 0) return false;
  float sum = 0.0f;
  for (int32_t k = 0; k < count; ++k) {
    float v1[3];
    float v2[3];
    Sub(corners + 3 * k, q, v1);
    Sub(corners + 3 * ((k + 1) % count), q, v2);
    const float lengths = LengthOrZero(v1) * LengthOrZero(v2);
    if (lengths <= 1e-8f) continue;
    // Rounding can carry the cosine just past 1; acos would give NaN.
    sum += std::acos(std::clamp(Vec3Dot(v1, v2) / lengths, -1.0f, 1.0f));
  }
  return sum >= kInsideTurn;
}

bool SphereTriangleTest(const float a[3], const float b[3], const float e[3], const float centre[3],
                        float radius) {
  float ab[3];
  float ae[3];
  float n[3];
  PickTriangleSides(a, b, e, ab, ae, n);
  Vec3Normalise(n, kMinSquared);
  const float d = Vec3Dot(n, centre) - Vec3Dot(n, a);
  if (!(std::fabs(d) < radius)) return false;
  float corners[9];
  for (int i = 0; i < 3; ++i) {
    corners[i] = a[i];
    corners[3 + i] = b[i];
    corners[6 + i] = e[i];
  }
  float q[3];
  for (int i = 0; i < 3; ++i) q[i] = centre[i] - n[i] * d;
  if (PointInsidePolygon(corners, 3, q)) return true;
  const float r2 = radius * radius;
  for (int k = 0; k < 3; ++k) {
    float closest[3];
    ClosestOnSegment(corners + 3 * k, corners + 3 * ((k + 1) % 3), centre, closest);
    if (DistanceSquared(closest, centre) < r2) return true;
  }
  return false;
}

bool MeshSphereTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, float radius,
                    const float centre[3]) {
  g_lastHitNode = -1;
  int32_t count = 0;
  const MeshNode* nodes = MeshTestFrame(mesh, frame, &count);
  if (nodes == nullptr) return false;
  const MeshFrame& f = mesh.frames[static_cast<int32_t>(frame)];
  float c[3];
  WorldToLevelPoint(engine, centre, c);
  const float reach = radius + f.radius;
  if (!(DistanceSquared(c, f.centre) <= reach * reach)) return false;
  if (radius * radius >= DistanceSquared(nodes[0].position, c)) return true;
  for (int32_t i = 0; i < count; i += 3) {
    if (SphereTriangleTest(nodes[i].position, nodes[i + 1].position, nodes[i + 2].position, c, radius)) {
      g_lastHitNode = i;
      return true;
    }
  }
  return false;
}

bool Object3DSphereTest(Dodevudi3D& engine, int32_t slot, int64_t frame, float x, float y, float z,
                        float radius) {
  Object3D* object = Object3DAt(&engine, slot);
  if (object == nullptr) return false;
  const float centre[3] = {x, y, z};
  for (const MeshObjectX& mesh : object->meshes) {
    if (MeshSphereTest(engine, mesh, frame, radius, centre)) return true;
  }
  return false;
}

bool MeshBoxTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, const float centre[3],
                 const float h1[3], const float h2[3], const float h3[3]) {
  g_lastHitNode = -1;
  int32_t count = 0;
  const MeshNode* nodes = MeshTestFrame(mesh, frame, &count);
  if (nodes == nullptr) return false;
  const MeshFrame& f = mesh.frames[static_cast<int32_t>(frame)];
  float c[3];
  float axes[3][3];
  WorldToLevelPoint(engine, centre, c);
  WorldToLevelVector(engine, h1, axes[0]);
  WorldToLevelVector(engine, h2, axes[1]);
  WorldToLevelVector(engine, h3, axes[2]);
  // Every point of the box lies within the sum of its half-axis lengths of
  // its centre, so a box farther than that plus the bounds radius misses.
  const float reach = std::sqrt(Vec3Dot(axes[0], axes[0])) + std::sqrt(Vec3Dot(axes[1], axes[1])) +
                      std::sqrt(Vec3Dot(axes[2], axes[2])) + f.radius;
  if (!(DistanceSquared(c, f.centre) <= reach * reach)) return false;
  const float* const h[3] = {axes[0], axes[1], axes[2]};
  for (int32_t i = 0; i < count; i += 3) {
    if (BoxTriangleTest(c, h, nodes[i].position, nodes[i + 1].position, nodes[i + 2].position)) {
      g_lastHitNode = i;
      return true;
    }
  }
  return false;
}

bool Object3DBoxTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float centre[3],
                     const float h1[3], const float h2[3], const float h3[3]) {
  Object3D* object = Object3DAt(&engine, slot);
  if (object == nullptr) return false;
  for (const MeshObjectX& mesh : object->meshes) {
    if (MeshBoxTest(engine, mesh, frame, centre, h1, h2, h3)) return true;
  }
  return false;
}

float RayTriangleDistance(const float a[3], const float b[3], const float e[3], const float origin[3],
                          const float direction[3]) {
  float e0[3];
  float e1[3];
  float n[3];
  PickTriangleSides(a, b, e, e0, e1, n);
  return RaySidesDistance(a, e0, e1, n, origin, direction);
}

namespace {

// The ray test of the frame's triangle list (nodes, count): the ray into
// the level's space, then every triangle it can hit; the pick bounds are
// made or built again here when they are not current.
float MeshRayScan(Dodevudi3D& engine, MeshFrame& f, const MeshNode* nodes, int32_t count, bool current,
                  const float origin[3], const float direction[3]) {
  float dir[3] = {direction[0], direction[1], direction[2]};
  Vec3Normalise(dir, kMinSquared);
  const float ahead[3] = {origin[0] + dir[0], origin[1] + dir[1], origin[2] + dir[2]};
  X3DUpdateModelMatrix(engine);
  const float* m = X3DModelMatrix(engine);
  float o[3];
  float p[3];
  ToLevelPoint(m, origin, o);
  ToLevelPoint(m, ahead, p);
  const float d[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
  RayBest best;
  std::unique_ptr<PickBounds>& bounds = f.pick;
  if (bounds == nullptr) bounds.reset(new (std::nothrow) PickBounds);
  if (bounds != nullptr && (current || PickBoundsBuild(*bounds, nodes, count))) {
    RayPickBounded(*bounds, o, d, best);
  } else {
    for (int32_t i = 0; i < count; i += 3) {
      best.Offer(RayTriangleDistance(nodes[i].position, nodes[i + 1].position, nodes[i + 2].position, o, d), i);
    }
  }
  g_lastHitNode = best.Node();
  return best.Result();
}

// MeshRayTest: the frame's checks, and at a level that only turns and
// moves, a ray far from the frame's bounds misses without the level's
// matrix; else the scan.
inline float MeshRayQuick(Dodevudi3D& engine, TransformRecord& level, MeshObject& mesh, int64_t frame,
                          const float origin[3], const float direction[3]) {
  g_lastHitNode = -1;
  if (frame < 0 || frame >= mesh.frames.count) return 0.0f;
  MeshFrame& f = mesh.frames[static_cast<int32_t>(frame)];
  const MeshNode* nodes = f.triangles.data;
  const int32_t listed = f.triangles.count;
  if (listed < 3 || nodes == nullptr) return 0.0f;
  const PickBounds* bounds = f.pick.get();
  const bool current = bounds != nullptr && PickBoundsCurrent(*bounds, nodes, listed);
  float move[3];
  if (current && X3DLevelTurnAndMove(level, move) && PickBoundsMissedAt(*bounds, move, origin, direction)) {
    return 0.0f;
  }
  return MeshRayScan(engine, f, nodes, listed - listed % 3, current, origin, direction);
}

// The object's meshes in turn, the nearest hit ahead kept, else the
// nearest behind.
[[gnu::noinline]] float MeshesRayTest(Dodevudi3D& engine, TransformRecord& level, Object3D& object, int64_t frame,
                                      const float origin[3], const float direction[3]) {
  RayBest best;
  for (MeshObjectX& mesh : object.meshes) {
    const float t = MeshRayQuick(engine, level, mesh, frame, origin, direction);
    best.Offer(t, g_lastHitNode);
  }
  g_lastHitNode = best.Node();
  return best.Result();
}

}  // namespace

float MeshRayTest(Dodevudi3D& engine, MeshObject& mesh, int64_t frame, const float origin[3],
                  const float direction[3]) {
  return MeshRayQuick(engine, engine.stack[engine.currentLevel], mesh, frame, origin, direction);
}

float Object3DRayTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float origin[3],
                      const float direction[3]) {
  Object3D* object = Object3DAt(&engine, slot);
  if (object == nullptr) return 0.0f;
  TransformRecord& level = engine.stack[engine.currentLevel];
  // One mesh's answer is the object's: a distance of 0 comes with no
  // triangle.
  if (object->meshes.count == 1) return MeshRayQuick(engine, level, object->meshes[0], frame, origin, direction);
  return MeshesRayTest(engine, level, *object, frame, origin, direction);
}

bool SphereBoxTest(const float centre[3], float radiusSquared, float hx, float hy, float hz) {
  const float h[3] = {hx, hy, hz};
  float sum = 0.0f;
  for (int i = 0; i < 3; ++i) {
    float beyond = 0.0f;
    if (centre[i] > h[i]) {
      beyond = centre[i] - h[i];
    } else if (centre[i] < -h[i]) {
      beyond = centre[i] + h[i];
    }
    sum += beyond * beyond;
  }
  return radiusSquared >= sum;
}

void DebugDrawSphere(Dodevudi3D& engine, const float centre[3], float radius, uint32_t colour, float width) {
  // The twelve corners of a unit icosahedron and its twenty faces.
  constexpr float kA = 0.525731112f;
  constexpr float kB = 0.850650808f;
  static const float kCorners[12][3] = {{-kA, 0, kB}, {kA, 0, kB},  {-kA, 0, -kB}, {kA, 0, -kB},
                                        {0, kB, kA},  {0, kB, -kA}, {0, -kB, kA},  {0, -kB, -kA},
                                        {kB, kA, 0},  {-kB, kA, 0}, {kB, -kA, 0},  {-kB, -kA, 0}};
  static const int kFaces[20][3] = {{0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},
                                    {8, 10, 1}, {8, 3, 10}, {5, 3, 8},  {5, 2, 3},  {2, 7, 3},
                                    {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6}, {0, 1, 6},
                                    {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11}};
  DebugDrawBegin(engine, colour, width);
  for (const auto& face : kFaces) {
    SphereTriangleOutline(centre, radius, kCorners[face[0]], kCorners[face[1]], kCorners[face[2]], 1);
  }
  DebugDrawEnd(engine);
}

void DebugDrawBox(Dodevudi3D& engine, const float centre[3], const float h1[3], const float h2[3],
                  const float h3[3], uint32_t colour, float width) {
  // Corner k takes +h or -h of each half-axis by its bits 0, 1 and 2.
  float corners[8][3];
  for (int k = 0; k < 8; ++k) {
    const float s1 = (k & 1) != 0 ? 1.0f : -1.0f;
    const float s2 = (k & 2) != 0 ? 1.0f : -1.0f;
    const float s3 = (k & 4) != 0 ? 1.0f : -1.0f;
    for (int i = 0; i < 3; ++i) corners[k][i] = centre[i] + s1 * h1[i] + s2 * h2[i] + s3 * h3[i];
  }
  DebugDrawBegin(engine, colour, width);
  glBegin(GL_LINES);
  for (int k = 0; k < 8; ++k) {
    for (int bit = 1; bit < 8; bit <<= 1) {
      if ((k & bit) == 0) {
        glVertex3fv(corners[k]);
        glVertex3fv(corners[k | bit]);
      }
    }
  }
  glEnd();
  DebugDrawEnd(engine);
}
