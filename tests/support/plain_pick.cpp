#include "tests/support/plain_pick.h"

#include "core/matrix4.h"
#include "gfx3d/collision.h"

PlainPickAnswer PlainPick(const GrowArray<MeshNode>& list, const float origin[3], const float direction[3]) {
  // The ray as the picker takes it at an identity level: the direction
  // made a unit, then the difference of the two points it names.
  float unit[3] = {direction[0], direction[1], direction[2]};
  Vec3Normalise(unit, 1e-7f);
  const float ahead[3] = {origin[0] + unit[0], origin[1] + unit[1], origin[2] + unit[2]};
  const float d[3] = {ahead[0] - origin[0], ahead[1] - origin[1], ahead[2] - origin[2]};
  PlainPickAnswer front;
  PlainPickAnswer back;
  for (int32_t i = 0; i + 2 < list.count; i += 3) {
    const float t = RayTriangleDistance(list[i].position, list[i + 1].position, list[i + 2].position, origin, d);
    if (t > 0.0f && (front.node < 0 || t < front.distance)) front = {t, i};
    if (t < 0.0f && (back.node < 0 || t > back.distance)) back = {t, i};
  }
  return front.node >= 0 ? front : back;
}
