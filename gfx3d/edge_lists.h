// Edge lists and light-facing flags of a mesh, for stencil shadow volumes.
//
// The edge list has one record per side of each whole triangle of frame
// 0's triangle list (record 3t + j: side j of triangle t, from its vertex j
// to vertex (j + 1) mod 3), naming the triangle across that side. Corners
// closer than 1e-5 in each of x, y and z are one corner.
#pragma once

#include "core/grow_array.h"

class MeshObject;
struct MeshNode;

// Builds the edge list when the mesh has frames and its list is empty; a
// list that holds records is kept. Where more than two triangles share a
// side, a triangle's side names the last later one found, and every later
// one names the earliest.
void MeshBuildEdgeList(MeshObject& mesh);

// Sets one flag per triangle of frame 0's count: 1 when the triangle of the
// given list faces the light (light position in the mesh's own
// coordinates; a light in its plane counts as facing), and marks each side
// of a facing triangle whose neighbour is missing or not facing as
// silhouette. Triangles past the end of the list given face away; a
// neighbour past the flags counts as missing.
void MeshLightFacing(MeshObject& mesh, const GrowArray<MeshNode>& nodes, const float light[3]);
