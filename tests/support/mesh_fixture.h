// Small meshes for the 3D engine's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx3d/mesh_records.h"

// A vertex at (x, y, z) with the colour word and its floats.
MeshNode NodeAt(float x, float y, float z, uint32_t colour = 0x00FFFFFFu);

// A group-marker node (kMarkerTriangles, kMarkerStrip or kMarkerFan).
MeshNode MarkerNode(uint32_t marker);

// Node lists written as numbers: -1, -2 and -3 are the markers, any other
// number n a white vertex at (n, 0, 0).
std::vector<MeshNode> NodesFromIds(const std::vector<int>& ids);

// Appends a frame holding the nodes and returns it.
MeshFrame& AddFrame(MeshObject& mesh, const std::vector<MeshNode>& nodes);

// The x coordinates of a node list, as whole numbers.
std::vector<int> IdsOf(const GrowArray<MeshNode>& nodes);

// Little-endian bytes, for model files written by tests.
struct ByteBuilder {
  std::string bytes;
  ByteBuilder& U8(uint8_t x);
  ByteBuilder& U32(uint32_t x);
  ByteBuilder& I32(int32_t x) { return U32(static_cast<uint32_t>(x)); }
  ByteBuilder& F32(float x);
  ByteBuilder& F64(double x);
};

// A version 2.0 binary model of one frame: a strip marker and the four
// corners of a quad (palette: the marker, red, green), texture
// coordinates (0.5, i) for node i, normal index 5.
std::string QuadModelBytes();
