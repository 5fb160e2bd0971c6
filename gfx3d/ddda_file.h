// The text model file "DDDA": numbers separated by blanks, tabs and line
// breaks, with "#" comments to the end of the line:
//
//   DDDA version(at most 1.1)
//   T  T x (u v)
//   P  P x (red green blue n  n x (vertex index, coordinate index))
//   F  F x (V  V x (x y z [nx ny nz from version 1.1 on]))
//
// Every token is read by atof; counts, colour components and indices are
// truncated toward zero. Polygons index into every frame's vertex list and
// into the coordinates. There is no writer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/grow_array.h"

struct DddPolygon {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
  GrowArray<int32_t> vertices;   // one index per corner
  GrowArray<int32_t> texcoords;  // one index per corner
};

struct DddTexcoord {
  float u = 0.0f;
  float v = 0.0f;
};

struct DddVertex {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float nx = 0.0f, ny = 0.0f, nz = 0.0f;  // 0 before version 1.1
};

struct DddDocument {
  GrowArray<DddPolygon> polygons;
  GrowArray<DddTexcoord> texcoords;
  GrowArray<GrowArray<DddVertex>> vertexFrames;
  size_t sourceBytes = 0;  // the size of the text it was parsed from
};

class MeshObject;

// Parses the named file or memory block into the document (emptied first).
// False when it cannot be opened, the first token is not "DDDA", the
// version is above 1.1, the data ends before the last number the counts
// call for, or a count is larger than the rest of the data could hold.
bool DddReadAscii(DddDocument& document, const char* name);

// The same parse over bytes in memory.
bool DddReadAsciiBytes(DddDocument& document, const uint8_t* data, size_t size);

// Clears the mesh and fills it with one frame per vertex frame: for each
// polygon a fan marker node (colour 0xFFFFFFFD, white floats) and then one
// node per corner with the vertex's position and normal, u and -v, and the
// polygon's colour; then the palette. Normals-valid becomes 1. False, with
// the mesh cleared, when an index lies outside its list (vertex indices in
// every frame; coordinate indices when there are coordinates), when the
// mesh would be absurdly large or hold more than 4 nodes for each byte of
// the text (every polygon is repeated in every frame, so a small text could
// otherwise ask for a mesh of the square of its size), or when memory runs
// out.
bool DddDocumentToMesh(const DddDocument& document, MeshObject& mesh);
