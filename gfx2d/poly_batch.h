// The polygon batch: vertices given one by one, textured from one sprite
// or untextured, each with its own colour, drawn together as one triangle
// fan, triangle list or triangle strip. One batch at a time, process-wide.
// Main thread only.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Starts a batch: binds the sprite (-1 = untextured) and empties the batch.
// Modes: 0 triangle fan, 1 triangles, 2 triangle strip; any other mode,
// or a sprite number beyond the sprite table, draws nothing.
void PolyBatchBegin(OpenGLDodevudi& engine, int32_t sprite, int32_t mode);

// Appends a vertex at (x, y) with its texture point (tx, ty) in pixels of
// the sprite's picture from its top-left corner, and its colour
// (0x00BBGGRR; 0xFFFFFF = plain white, the sprite colour key = transparent)
// at the current alpha. When the vertices cannot be held the batch is
// emptied.
void PolyBatchAddVertex(OpenGLDodevudi& engine, float x, float y, float tx, float ty,
                        int32_t colour);

// Ends the strip so far: the next vertex starts a new one, joined to the
// last by triangles without area. Nothing on an empty batch or when a join
// is already waiting.
void PolyBatchNewStrip();

// Draws the batch (it stays until the next PolyBatchBegin). Colours are
// shaded smoothly between the vertices when any vertex has one or the
// current alpha is below 1.
void PolyBatchDraw(OpenGLDodevudi& engine);

// The number of vertices in the batch, joins included.
int32_t PolyBatchCount();
