#include "tests/support/plain_pick.h"

#include "core/matrix4.h"
#include "gfx3d/collision.h"

namespace {

// Every triangle in list order against the ray from the origin along d.
PlainPickAnswer PlainScan(const GrowArray<MeshNode>& list, const float origin[3], const float d[3]) {
  PlainPickAnswer front;
  PlainPickAnswer back;
  for (int32_t i = 0; i + 2 < list.count; i += 3) {
    const float t = RayTriangleDistance(list[i].position, list[i + 1].position, list[i + 2].position, origin, d);
    if (t > 0.0f && (front.node < 0 || t < front.distance)) front = {t, i};
    if (t < 0.0f && (back.node < 0 || t > back.distance)) back = {t, i};
  }
  return front.node >= 0 ? front : back;
}

// A world point in the level's space: M^T (p - t).
void ToLevel(const float m[16], const float p[3], float out[3]) {
  const float v[3] = {p[0] - m[12], p[1] - m[13], p[2] - m[14]};
  out[0] = m[0] * v[0] + m[1] * v[1] + m[2] * v[2];
  out[1] = m[4] * v[0] + m[5] * v[1] + m[6] * v[2];
  out[2] = m[8] * v[0] + m[9] * v[1] + m[10] * v[2];
}

}  // namespace

PlainPickAnswer PlainPick(const GrowArray<MeshNode>& list, const float origin[3], const float direction[3]) {
  // The ray as the picker takes it at an identity level: the direction
  // made a unit, then the difference of the two points it names.
  float unit[3] = {direction[0], direction[1], direction[2]};
  Vec3Normalise(unit, 1e-7f);
  const float ahead[3] = {origin[0] + unit[0], origin[1] + unit[1], origin[2] + unit[2]};
  const float d[3] = {ahead[0] - origin[0], ahead[1] - origin[1], ahead[2] - origin[2]};
  return PlainScan(list, origin, d);
}

PlainPickAnswer PlainPickPlaced(const GrowArray<MeshNode>& list, const float m[16], const float origin[3],
                                const float direction[3]) {
  float unit[3] = {direction[0], direction[1], direction[2]};
  Vec3Normalise(unit, 1e-7f);
  const float ahead[3] = {origin[0] + unit[0], origin[1] + unit[1], origin[2] + unit[2]};
  float o[3];
  float p[3];
  ToLevel(m, origin, o);
  ToLevel(m, ahead, p);
  const float d[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
  return PlainScan(list, o, d);
}
