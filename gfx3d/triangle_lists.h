// Triangle lists of a mesh and shrinking an object.
//
// MeshObjectX::BuildTriangles (declared with the mesh records) turns each
// frame's node list into its triangle list. A node is a group marker when
// the palette entry its colour index selects is one of the three marker
// words (an index past the palette selects nothing: the node is a vertex):
//   separate triangles: q0 q1 q2 | q3 q4 q5 | ...
//   strip: (q0 q1 q2) (q2 q1 q3) (q2 q3 q4) (q4 q3 q5) ...
//   fan:   (q0 q1 q2) (q0 q2 q3) (q0 q3 q4) ...
// A list starts with separate triangles; a marker drops the vertices still
// pending. The draw list becomes a copy of frame 0's triangles, and the
// mesh has colours when any palette entry is a colour other than pure
// white (0x00FFFFFF).
#pragma once

#include <cstdint>

class Dodevudi3D;

// Cuts every mesh of the slot's object to one frame of three nodes (frame
// 0's first three; missing ones zero) with a triangle list of one node, an
// empty palette, no edges, no light-facing flags and a draw list of three
// zero nodes.
void Object3DShrink(Dodevudi3D* engine, int32_t slot);
