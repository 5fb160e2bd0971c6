// Building a mesh node by node, the bounds of a mesh's frames, scaling and
// the scaling of an object's meshes.
//
// A build runs from ObjectBuildBegin (gfx3d/object_load.h) to
// ObjectBuildEnd. Nodes go to mesh 0 of the object being built, into the
// frame being built; each is a copy of the engine's node template after the
// position, texture coordinates and colour are written into it, so the
// normal set last carries over. Calls made while no build runs, or when the
// object no longer has the mesh or frame they would write to, do nothing.
#pragma once

#include <cstdint>

class Dodevudi3D;
class MeshObject;
struct Object3D;

// The slot of the object being built, -1 when no build runs.
extern int32_t g_objectBeingBuilt;

// Selects the frame that nodes go to. Frames up to it are made (empty); a
// frame selected while it has no nodes gets node 0 of frame 0 as its first
// node. A negative number, or no build, changes nothing.
void ObjectBuildSetFrame(Dodevudi3D* engine, int32_t frame);

// The normal of the nodes that follow.
void ObjectBuildNormal(Dodevudi3D* engine, float nx, float ny, float nz);

// Appends a node at (x, y, z) with u, -v and the colour, and writes
// "%d %d\n" (the frame being built and its node count) to standard output.
void ObjectBuildVertex(Dodevudi3D* engine, float x, float y, float z, float u, float v, uint32_t colour);

// Appends a group marker: separate triangles for kind 0, a fan for 2, a
// strip for any other kind.
void ObjectBuildNewGroup(Dodevudi3D* engine, int32_t kind);

// Ends the build. Frame 0 needs at least three nodes (else the mesh is
// freed) and every frame as many as frame 0 (else "Frame i has k nodes, but
// must have (like frame 0) m nodes" goes to the debugger); then the palette,
// the normals by the engine's normal mode (1: per node, 2: merged by
// position), the triangle lists and the bounds are made and the object is
// in use. No build runs afterwards in any case.
void ObjectBuildEnd(Dodevudi3D* engine);

// The bounds of every frame's triangle list: the centre is the mean of the
// node positions ((0, 0, 0) for an empty list), the radius the greatest
// distance from it (squared distances of at most 1e-7 count as 0).
void MeshBounds(MeshObject& mesh);

// Scales every frame: triangle-list positions, normals, tangents and
// bitangents by (sx, sy, sz); node-list positions by (sx, sy, sz) and their
// normals, tangents and bitangents by the unit vector of (sx, sy, sz); then
// the bounds.
void MeshScale(MeshObject& mesh, float sx, float sy, float sz);
void Object3DScaleMeshes(Object3D& object, float sx, float sy, float sz);
