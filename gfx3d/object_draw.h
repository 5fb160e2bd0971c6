// Drawing an object slot in the current transform at a pose between two
// animation frames, with vertex colours and up to two textures, and in the
// three modes of the shadow light: per-pixel bump lighting, cel shading
// with an outline, and stencil shadow volumes.
//
// A mesh is drawn from vertex arrays, through vertex buffers when the
// driver has them: a frame without blending, offsets or shadow-light modes
// from a buffer that holds only what is drawn of its nodes, packed (frame
// 0's filled once and again after its vertices change, any other frame's
// each time), any other pose from the mesh's draw list, node by node,
// uploaded each time. Meshes whose bounding sphere lies outside the view
// frustum are skipped (in shadow-volume mode they still cast). Texture
// state that is already as a draw needs it is not set again. Main thread
// only, with the context current.
#pragma once

#include <cstdint>

#include "core/grow_array.h"

class Dodevudi3D;
class MeshObject;

// Draws the object in the slot (nothing for a number outside the slots).
// An object of several meshes binds each mesh's own two textures from its
// texture names; a single mesh draws with the textures bound before.
void Object3DDraw(Dodevudi3D& engine, int32_t slot, int32_t frameA, int32_t frameB, float weight,
                  uint8_t positionFlag);

// Draws one mesh at the pose frameA + (frameB - frameA) * weight. With the
// position flag the weight (taken modulo 1 outside 0..1) is a position
// along the frames from frameA to frameB, drawn between the two frames
// around it. Frame numbers are clamped to the mesh's frames. The texture of
// a sprite k is (*table)[k] when a table is given.
void MeshDraw(Dodevudi3D& engine, MeshObject& mesh, int32_t frameA, int32_t frameB, float weight,
              uint8_t positionFlag, const GrowArray<uint32_t>* table);
