// Models for the edge-list tests and benchmark, and the first edge-list
// builder, kept as the reference that MeshBuildEdgeList is compared with.
#pragma once

#include <cstdint>

class MeshObject;

// The first builder: it welds each corner to the earliest one close to it
// by looking at every earlier corner, then pairs each side with every side
// of every later triangle, so it takes time quadratic in the model. Same
// contract as MeshBuildEdgeList.
void MeshBuildEdgeListQuadratic(MeshObject& mesh);

// Gives the mesh one frame whose triangle list is a closed torus of rings x
// segments quads, two triangles each (6 * rings * segments nodes). The
// corners are computed anew for every triangle, so the seams where the
// angle comes round again weld corners that differ in their last bits.
void SetTorusTriangles(MeshObject& mesh, int32_t rings, int32_t segments);

// Gives the mesh one frame of count random triangles (fixed by the seed)
// over a small lattice of points, each corner moved by up to 8e-6 on each
// axis: sides shared by many triangles, corners that weld in chains,
// degenerate triangles.
void SetLatticeTriangles(MeshObject& mesh, int32_t count, uint32_t seed);
