// The stencil shadow pass and the shadow light's settings.
//
// While the pass is on, shadow casters draw their volumes into the stencil
// buffer with colour and depth writes off; leaving the pass darkens every
// pixel whose stencil value is not 0 with the shadow colour at half
// opacity, then clears the stencil buffer. The pass is left before every
// change of the 2D viewport, at every frame end, at every 3D begin and
// depth clear. Main thread only.
#pragma once

#include <cstdint>

#include "core/grow_array.h"

class Dodevudi3D;

// The negative light indices: the shadow light is on while |angle| is at
// least 0.00001, and then takes the colour and position. Index -1 selects
// per-pixel bump lighting (shadow mode 1), -3 stencil shadow volumes (mode
// 3, entering or leaving the pass at once), any other cel shading (mode 2).
void ShadowSettings(Dodevudi3D& engine, int32_t index, uint32_t colour, float x, float y, float z,
                    float angle);

// Enters (on != 0) or leaves the pass; nothing when it is already so or
// without an engine. Leaving keeps the viewport as it was.
void Gl3DShadowPass(Dodevudi3D* engine, int32_t on);

// Leaves the pass, then clears the depth buffer.
void X3DClearDepth(Dodevudi3D& engine);

class MeshObject;
struct MeshNode;

// Draws the mesh's shadow volume into the stencil buffer, in the mesh's
// own coordinates: counting up through the front faces, then down through
// the back faces, the quads swept from the silhouette sides of the
// light-facing triangles to infinity away from the light, and (caps) every
// triangle, as it is when it faces the light, else at infinity. Reads the
// flags of MeshLightFacing; triangles without flags or nodes are left out.
// The volume is written once into the mesh's stream buffer and drawn from
// vertex arrays in both passes.
void ShadowVolumeDraw(MeshObject& mesh, const GrowArray<MeshNode>& nodes, const float light[3], bool caps);
