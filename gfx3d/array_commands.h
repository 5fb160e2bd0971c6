// The 3D commands that exchange arrays of numbers with the program: one
// triangle of an object, the camera and model matrices, and the cel
// shading steps. Matrices are 16 numbers in OpenGL's column-major order.
//
// Accesses go through the runtime's checked array access: one that fails
// writes the bounds report and ends the program with error 9. The commands
// work on the runtime's 3D engine (g_app.engine3d) and do nothing more
// without one. Main thread only.
#pragma once

#include <cstdint>

#include "core/rt_array.h"

// Re-dimensions the array to (3, 9) (cleared) and fills it from triangle
// number `triangle` of the object, counted over its meshes in order: the
// first index is the corner, the second the field: position x, y, z, u,
// v as stored in the node, the colour word, normal x, y, z. No such
// triangle (also a negative number, or a frame a mesh does not have, which
// counts as no triangles of that mesh) leaves it all 0.
void Object3DGetTriangle(uint32_t object, uint32_t frame, int32_t triangle, RtArray<double>& array);

// An array that is not one-dimensional with 16 elements is re-dimensioned
// to 16; then the camera matrix, or the current level's composed model
// matrix, is copied into it.
void X3DGetViewMatrix(RtArray<double>& array);
void X3DGetModelMatrix(RtArray<double>& array);

// The cel shading steps from the array's first dimension: each value times
// 255, truncated to a 16-bit integer, its low byte (values beyond the
// 16-bit range give 0). An array without elements ends the program with
// error 9.
void X3DSetCelShading(RtArray<double>& array);
