// Camera-facing quads in the 3D scene: a sprite standing on a point, and a
// line of bitmap-font text, either as quads facing the camera or (size 0)
// as flat 2D text at the point's place on the screen. Both go through the
// 2D engine's vertex array and texture binding. Also the outline of a
// subdivided sphere triangle, for the collision debug drawing. Main thread
// only, with the context current.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// The sprite as a quad standing on (x, y, z), centred on it sideways and
// facing the camera of the current model-view matrix: one sprite pixel is
// half a world unit at scale 1. Nothing for a number outside the sprite
// table.
void Billboard(OpenGLDodevudi& engine, int32_t sprite, float x, float y, float z, float scale);

// The text in font (0 to 31; any other number draws nothing) centred on
// (x, y, z). Size 0: flat text at the point's projection through the 3D
// engine's camera and projection (nothing when the point projects to w 0).
// Otherwise each character cell is size world units a pixel, facing the
// camera, fixed or proportional spacing. Face culling and lighting are off
// while it draws and come back as they were.
void Text3D(OpenGLDodevudi& engine, int32_t font, const char* text, float x, float y, float z, float size,
            uint32_t proportional);

// Line loops over the triangle (a, b, c) of unit vectors on the sphere
// (centre, radius), split depth times into four.
void SphereTriangleOutline(const float centre[3], float radius, const float a[3], const float b[3],
                           const float c[3], int32_t depth);
