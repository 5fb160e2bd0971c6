// The answer the picker must give for a ray against one frame's triangle
// list at an identity transform level, found the plain way: every
// triangle in list order through RayTriangleDistance, the nearest hit
// ahead kept, else the nearest behind, the first of equal distances. The
// tests and the model fuzz targets hold the picker's bounds to it.
#pragma once

#include <cstdint>

#include "gfx3d/mesh_records.h"

struct PlainPickAnswer {
  float distance = 0.0f;
  int32_t node = -1;  // first node of the triangle hit, -1 for none
};

PlainPickAnswer PlainPick(const GrowArray<MeshNode>& list, const float origin[3], const float direction[3]);

// The same at a level whose composed matrix is m: the origin and the
// origin plus the unit direction taken into the level's space as the
// picker takes them (M^T (p - t) for the 3x3 part M and translation t).
PlainPickAnswer PlainPickPlaced(const GrowArray<MeshNode>& list, const float m[16], const float origin[3],
                                const float direction[3]);
