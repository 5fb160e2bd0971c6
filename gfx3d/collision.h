// Collision and picking against the triangles of 3D objects as they stand
// under the current transform level: spheres, oriented boxes and rays, and
// a sphere against a box placed by the current level.
//
// The tested shape is taken into the object's own space (the transposed
// 3x3 of the level's result matrix applied after removing its translation:
// the inverse of a rigid transform; scaling is not undone), and each mesh's
// frame bounds reject far spheres and boxes before any triangle is tested.
// A ray test skips the triangles that its frame's pick bounds show it
// cannot hit (gfx3d/pick_bounds.h), which changes no answer; at a level
// that only turns and moves, a ray that passes far from where the level
// puts the bounds misses before the level's matrix is worked out (the
// level counts as composed all the same). Every mesh test records the
// first node of the triangle it hit.
//
// Frame numbers beyond the mesh's frames, triangle lists of fewer than
// three nodes and slot numbers outside the slots give no hit. Main thread
// only.
#pragma once

#include <cstdint>

class Dodevudi3D;
class MeshObject;

// Index in the triangle list of the first node of the last triangle hit;
// -1 at the start of each mesh test.
extern int32_t g_lastHitNode;

// g_lastHitNode / 3, truncated toward zero (so -1 gives 0).
int32_t Object3DLastHit();

// Takes a world point (p) or vector (v) into the space of the current
// level, composing the level first.
void WorldToLevelPoint(Dodevudi3D& engine, const float p[3], float out[3]);
void WorldToLevelVector(Dodevudi3D& engine, const float v[3], float out[3]);

// The frame's triangle list when the frame exists and holds at least one
// triangle, else null; count receives its node count.
const struct MeshNode* MeshTestFrame(const MeshObject& mesh, int64_t frame, int32_t* count);

// True when the points of the closed polygon (count corners) seen from q
// turn through at least 0.99 of a full turn: q lies inside it.
bool PointInsidePolygon(const float* corners, int32_t count, const float q[3]);

bool SphereTriangleTest(const float a[3], const float b[3], const float e[3], const float centre[3],
                        float radius);
bool MeshSphereTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, float radius,
                    const float centre[3]);
bool Object3DSphereTest(Dodevudi3D& engine, int32_t slot, int64_t frame, float x, float y, float z,
                        float radius);

// Boxes are a centre and three half-axis vectors.
bool MeshBoxTest(Dodevudi3D& engine, const MeshObject& mesh, int64_t frame, const float centre[3],
                 const float h1[3], const float h2[3], const float h3[3]);
bool Object3DBoxTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float centre[3],
                     const float h1[3], const float h2[3], const float h3[3]);

// The signed distance along the unit ray to the triangle's plane when the
// crossing lies inside the triangle, else 0 (also for a degenerate
// triangle or a ray parallel to it).
float RayTriangleDistance(const float a[3], const float b[3], const float e[3], const float origin[3],
                          const float direction[3]);
// The nearest hit ahead of the origin, else the nearest behind it, else 0.
// It builds the frame's pick bounds when they are out of date.
float MeshRayTest(Dodevudi3D& engine, MeshObject& mesh, int64_t frame, const float origin[3],
                  const float direction[3]);
float Object3DRayTest(Dodevudi3D& engine, int32_t slot, int64_t frame, const float origin[3],
                      const float direction[3]);

// A sphere (centre in the box's space, radius squared) against the box
// of half sizes hx, hy, hz centred at the origin.
bool SphereBoxTest(const float centre[3], float radiusSquared, float hx, float hy, float hz);

// Unlit, untextured wire drawings of a tested sphere and box in the colour
// (0x00BBGGRR) and line width; the width goes back to 1.
void DebugDrawSphere(Dodevudi3D& engine, const float centre[3], float radius, uint32_t colour, float width);
void DebugDrawBox(Dodevudi3D& engine, const float centre[3], const float h1[3], const float h2[3],
                  const float h3[3], uint32_t colour, float width);
