// Small meshes for the 3D engine's tests.
#pragma once

#include <cstdint>
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
