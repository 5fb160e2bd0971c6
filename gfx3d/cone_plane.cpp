#include "gfx3d/cone_plane.h"

#include <cmath>

#include "core/matrix4.h"
#include "gfx3d/collision.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_records.h"

namespace {

constexpr float kMinSquared = 1e-7f;
constexpr float kDegreesToRadians = 0.017453292f;

void Sub(const float a[3], const float b[3], float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

// False only when the bounds sphere (centre, radius) lies wholly outside
// the cone: the distance from its centre to the solid cone, measured in
// the plane of the axis, exceeds the radius. Wide cones (half-angle of 90
// degrees or more) and unusable numbers are never rejected.
bool ConeMayReach(const float axis[3], const float apex[3], float halfAngle, const float centre[3],
                  float radius) {
  if (!(halfAngle >= 0.0f && halfAngle < 1.5707963f)) return true;
  float v[3];
  Sub(centre, apex, v);
  const double s = Vec3Dot(axis, v);
  const double total = Vec3Dot(v, v);
  const double perp = std::sqrt(std::fmax(total - s * s, 0.0));
  const double sine = std::sin(halfAngle);
  const double cosine = std::cos(halfAngle);
  // Slack for the rounding of the single-precision inputs.
  const double reach = static_cast<double>(radius) * 1.001 + 1e-3 * (1.0 + std::sqrt(total));
  if (s >= 0.0 && perp * cosine <= s * sine) return true;  // inside the cone
  const double along = s * cosine + perp * sine;             // along the cone's side
  const double distance = along <= 0.0 ? std::sqrt(total) : perp * cosine - s * sine;
  return !(distance > reach);
}

}  // namespace

bool ConeTriangleTest(const float axis[3], const float apex[3], float cosine, const float triangle[9]) {
  const float k = cosine * cosine;
  float d[3][3];
  float e0[3];
  float e1[3];
  Sub(triangle, apex, d[0]);
  Sub(triangle + 3, triangle, e0);
  Sub(triangle + 6, triangle, e1);
  for (int i = 0; i < 3; ++i) {
    d[1][i] = d[0][i] + e0[i];
    d[2][i] = d[0][i] + e1[i];
  }
  float a[3];
  float f[3] = {};
  int mask = 0;
  for (int i = 0; i < 3; ++i) {
    a[i] = Vec3Dot(axis, d[i]);
    if (a[i] >= 0.0f) {
      f[i] = a[i] * a[i] - k * Vec3Dot(d[i], d[i]);
      if (f[i] >= 0.0f) return true;
      mask |= 1 << i;
    }
  }
  if (mask == 0) return false;
  float e2[3];
  Sub(e1, e0, e2);
  struct Edge {
    int i;
    int j;
    const float* e;
  };
  const Edge edges[3] = {{0, 1, e0}, {0, 2, e1}, {1, 2, e2}};
  for (const Edge& edge : edges) {
    const bool iMarked = (mask & (1 << edge.i)) != 0;
    const bool jMarked = (mask & (1 << edge.j)) != 0;
    if (!iMarked && !jMarked) continue;
    const float ai = a[edge.i];
    const float g = a[edge.j] - ai;
    const float q2 = g * g - k * Vec3Dot(edge.e, edge.e);
    if (!(q2 < 0.0f)) continue;
    const float q1 = g * ai - k * Vec3Dot(edge.e, d[edge.i]);
    // f of corner i, also when it was not marked (it lies behind the apex).
    const float fi = ai * ai - k * Vec3Dot(d[edge.i], d[edge.i]);
    bool hit;
    if (iMarked && jMarked) {
      hit = 0.0f <= q1 && q1 <= -q2 && q1 * q1 >= fi * q2;
    } else if (iMarked) {
      hit = 0.0f <= q1 && g * q1 >= q2 * ai && q1 * q1 >= fi * q2;
    } else {
      hit = q1 <= -q2 && g * q1 >= q2 * ai && q1 * q1 >= fi * q2;
    }
    if (hit) return true;
  }
  float n[3];
  Vec3Cross(e0, e1, n);
  const float nA = Vec3Dot(n, axis);
  const float nd0 = Vec3Dot(n, d[0]);
  // The axis meets the plane at apex + (nd0 / nA) axis. Only a meeting at
  // or ahead of the apex can lie inside the cone; an axis parallel to the
  // plane meets it nowhere, and what the cone reaches then the corners and
  // edges above have decided.
  if (nA == 0.0f || (nA > 0.0f ? nd0 < 0.0f : nd0 > 0.0f)) return false;
  float u[3];
  for (int i = 0; i < 3; ++i) u[i] = nd0 * axis[i] - nA * d[0][i];
  float w[3];
  Vec3Cross(n, u, w);
  const float w0 = Vec3Dot(w, e0);
  const float w1 = Vec3Dot(w, e1);
  const float w2 = w1 - w0;
  const float nn = Vec3Dot(n, n);
  if (nA >= 0.0f) return w0 <= 0.0f && w1 >= 0.0f && w2 <= nA * nn;
  return w0 >= 0.0f && w1 <= 0.0f && w2 >= nA * nn;
}

float MeshConeTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, const float apex[3],
                   const float direction[3], float angle) {
  int32_t count = 0;
  const MeshNode* nodes = MeshTestFrame(mesh, frame, &count);
  if (nodes == nullptr) return 0.0f;
  const MeshFrame& f = mesh.frames[static_cast<int32_t>(frame)];
  float dir[3] = {direction[0], direction[1], direction[2]};
  Vec3Normalise(dir, kMinSquared);
  const float ahead[3] = {apex[0] + dir[0], apex[1] + dir[1], apex[2] + dir[2]};
  float o[3];
  float p[3];
  WorldToLevelPoint(engine, apex, o);
  WorldToLevelPoint(engine, ahead, p);
  float axis[3];
  Sub(p, o, axis);
  // A scaled level stretches the axis; the corner tests need it of unit
  // length.
  Vec3Normalise(axis, kMinSquared);
  const float halfAngle = angle * kDegreesToRadians;
  if (!ConeMayReach(axis, o, halfAngle, f.centre, f.radius)) return 0.0f;
  const float cosine = std::cos(halfAngle);
  for (int32_t i = 0; i < count; i += 3) {
    float triangle[9];
    for (int c = 0; c < 3; ++c) {
      for (int j = 0; j < 3; ++j) triangle[3 * c + j] = nodes[i + c].position[j];
    }
    if (ConeTriangleTest(axis, o, cosine, triangle)) return 1.0f;
  }
  return 0.0f;
}

float Object3DConeTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float apex[3],
                       const float direction[3], float angle) {
  Object3D* object = Object3DAt(&engine, slot);
  if (object == nullptr) return 0.0f;
  for (const MeshObjectX& mesh : object->meshes) {
    if (MeshConeTest(engine, mesh, frame, apex, direction, angle) != 0.0f) return 1.0f;
  }
  return 0.0f;
}

void LinePlanePoint(float out[3], const float normal[3], const float segment[6], float d) {
  const float* p = segment;
  float u[3];
  Sub(segment + 3, p, u);
  Vec3Normalise(u, kMinSquared);
  const float s = Vec3Dot(normal, u);
  if (s == 0.0f) {
    for (int i = 0; i < 3; ++i) out[i] = p[i];
    return;
  }
  const float t = -(Vec3Dot(normal, p) + d) / s;
  for (int i = 0; i < 3; ++i) out[i] = p[i] + t * u[i];
}

bool SegmentPolygonTest(const float* corners, const float segment[6], int32_t count) {
  if (count < 3) return false;
  float ca[3];
  float ba[3];
  float n[3];
  Sub(corners + 6, corners, ca);
  Sub(corners + 3, corners, ba);
  Vec3Cross(ca, ba, n);
  Vec3Normalise(n, kMinSquared);
  const float d = -Vec3Dot(n, corners);
  if (!((Vec3Dot(n, segment) + d) * (Vec3Dot(n, segment + 3) + d) < 0.0f)) return false;
  float x[3];
  LinePlanePoint(x, n, segment, d);
  return PointInsidePolygon(corners, count, x);
}

int32_t SpherePlaneClassify(const float centre[3], const float normal[3], const float point[3], float radius,
                            float* distance) {
  const float dist = Vec3Dot(normal, centre) - Vec3Dot(normal, point);
  *distance = dist;
  if (std::fabs(dist) < radius) return 1;
  if (dist > radius) return 2;
  return 0;
}
