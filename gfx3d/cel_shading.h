// Cel shading's ramp: one texture row per palette colour of a mesh, dark
// to light across its width in the hard steps of one process-wide table
// of brightness bytes (0 black to 255 full colour).
//
// A ramp is built for a mesh on its first cel-shaded draw and kept until
// the table changes. Main thread only, with the context current.
#pragma once

#include <cstdint>

#include "core/grow_array.h"

class Dodevudi3D;
class MeshObject;

// The brightness steps, dark end first; empty until a ramp is built or
// the table is set. A ramp built while it is empty first gets the 16
// default steps 100, 160 x 6, 207, 255 x 8.
GrowArray<uint8_t>& CelShadeTable();

struct CelRampSize {
  int32_t width;   // 64, 128, 256 or 512: at least 4 texels a step up to 512
  int32_t height;  // the palette count rounded up to a power of two (1 at least)
};
CelRampSize CelRampSizeFor(int32_t paletteCount, int32_t steps);

// The ramp's texels, 4 bytes each, row r for palette entry r (entry 0 past
// the palette's end), in the byte order red, green, blue, alpha or (bgra)
// blue, green, red, alpha. A colour word from 0xFFFFFFFC up, and a row of
// an empty palette, is grey. texels holds width x height x 4 bytes.
void CelRampFill(const uint32_t* palette, int32_t paletteCount, const uint8_t* steps, int32_t stepCount,
                 CelRampSize size, bool bgra, uint8_t* texels);

// Builds a ramp texture for the palette from the table (giving the table
// its defaults when empty): a new texture name, 0 when the texels cannot
// be had; rowStep receives 1 / its height.
uint32_t CelRampUpload(const uint32_t* palette, int32_t paletteCount, uint8_t bgra, float* rowStep);

// Gives the mesh its ramp (texture name and row step) when it has none.
void MeshCelRampTexture(MeshObject& mesh, uint8_t bgra);

// Replaces the table with the count bytes ({255} for a count below 1) and
// deletes every mesh's ramp, so that the next cel-shaded draw builds it
// from the new table.
void CelShadeTableSet(Dodevudi3D& engine, const uint8_t* bytes, int32_t count);
