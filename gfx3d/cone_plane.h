// A cone against the triangles of a 3D object, and three plane
// operations: where a line meets a plane, a segment against a planar
// polygon, and the side of a plane a sphere lies on.
//
// The cone test works in the object's own space like the other collision
// tests (gfx3d/collision.h) and leaves the last hit node as it was. A cone
// is an apex, a direction (any length) and a half-angle in degrees; a
// point X lies inside when it is ahead of the apex and within the
// half-angle of the axis. Main thread only.
#pragma once

#include <cstdint>

class Dodevudi3D;
class MeshObject;

// 1 when the cone reaches a triangle of the frame, else 0.
float MeshConeTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, const float apex[3],
                   const float direction[3], float angle);
// 1 at the first mesh of the slot's object that the cone reaches, else 0.
float Object3DConeTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float apex[3],
                       const float direction[3], float angle);

// axis of unit length; cosine of the half-angle; triangle = three corners.
bool ConeTriangleTest(const float axis[3], const float apex[3], float cosine, const float triangle[9]);

// Where the line through segment (P, Q) meets the plane n.x + d = 0; P when
// the line runs parallel to it.
void LinePlanePoint(float out[3], const float normal[3], const float segment[6], float d);

// True when the segment (P, Q) crosses the polygon of count corners, whose
// plane is that of its first three corners.
bool SegmentPolygonTest(const float* corners, const float segment[6], int32_t count);

// dist = n.centre - n.point (written out). 1 when the sphere cuts the
// plane, 2 when it lies wholly in front, 0 otherwise.
int32_t SpherePlaneClassify(const float centre[3], const float normal[3], const float point[3], float radius,
                            float* distance);
