// Fog, the eight fixed-function lights, and points and line segments
// drawn in 3D (for the program and for debug drawing).
//
// Colours are 0x00BBGGRR. While any light is on (the engine's lights
// mask), drawing sends normals, and the point and segment drawing switch
// lighting off while they draw. Main thread only, with the context current.
#pragma once

#include <cstdint>

class Dodevudi3D;

// colour -1 turns fog off; any other colour turns it on in that colour.
// mode not 0: exponential fog of density start. mode 0: linear fog from
// start to end, the camera's near and far planes when both are exactly 0.
void X3DFog(Dodevudi3D& engine, int32_t colour, int32_t mode, float start, float end);

// Light (light & 7) at (x, y, z) facing (dx, dy, dz): angle 0 switches it
// off; 180 makes a directional light shining along the direction; above 90
// a point light; otherwise a spot light with that cutoff. All six values 0
// give a light along the viewer's -z. The position goes through the current
// model-view matrix. gizmo draws the light's position (and a spot light's
// direction). A negative light sets the shadow light (ShadowSettings).
void LightSet(Dodevudi3D& engine, int32_t light, int32_t colour, float x, float y, float z, float dx,
              float dy, float dz, float angle, bool gizmo);

// A directional light from the camera's eye towards the origin.
void X3DHeadLight(Dodevudi3D& engine, int32_t light, int32_t colour);

// One smoothed point of the size, or one smoothed segment of the width,
// unlit and untextured in the colour; afterwards the colour is white at
// the 2D engine's current alpha.
void Draw3DPoint(Dodevudi3D& engine, const float point[3], uint32_t colour, float size);
void Draw3DSegment(Dodevudi3D& engine, const float from[3], const float to[3], uint32_t colour, float width);
