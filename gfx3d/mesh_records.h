// The mesh records of the 3D engine: a mesh (MeshObject, and MeshObjectX,
// the kind every object slot holds) holds animation frames (MeshFrame); a
// frame holds its vertices (MeshNode) once as built or loaded, group
// markers included, and once as a plain triangle list of three nodes a
// triangle.
//
// Colour words: red in the low byte, then green, then blue. Words from
// 0xFFFFFFFC up are not colours (white when drawn); the top three are the
// group markers of a node list: separate triangles, a strip and a fan
// follow them.
//
// The texture coordinate v is held negated against what programs, the text
// model format and the older binary layout give.
//
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include <memory>

#include "core/grow_array.h"

struct PickBounds;

inline constexpr uint32_t kColourNone = 0xFFFFFFFCu;       // the first word that is no colour
inline constexpr uint32_t kMarkerTriangles = 0xFFFFFFFFu;  // -1
inline constexpr uint32_t kMarkerStrip = 0xFFFFFFFEu;      // -2
inline constexpr uint32_t kMarkerFan = 0xFFFFFFFDu;        // -3

// One vertex; a plain record copied as bytes, 92 bytes. Every field starts
// at zero.
struct MeshNode {
  float position[3] = {};
  float normal[3] = {};       // unit normal (a sum while normals are computed)
  float u = 0.0f;
  float v = 0.0f;             // held negated
  float extra[3] = {};        // travels with the node; drawing writes its light vector here
  float tangent[3] = {};
  float bitangent[3] = {};
  uint32_t colour = 0;        // packed colour or group marker
  uint8_t colourIndex = 0;    // into the mesh's palette
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
  float alpha = 0.0f;
};
static_assert(sizeof(MeshNode) == 92);
static_assert(offsetof(MeshNode, u) == 24 && offsetof(MeshNode, extra) == 32 &&
              offsetof(MeshNode, tangent) == 44 && offsetof(MeshNode, bitangent) == 56 &&
              offsetof(MeshNode, colour) == 68 && offsetof(MeshNode, colourIndex) == 72 &&
              offsetof(MeshNode, red) == 76);

// Writes the colour word and its floats into the node: below 0xFFFFFFFC
// red, green and blue are the bytes / 255 and alpha 1; above, all four 1.
void MeshNodeSetColour(MeshNode& node, uint32_t colour);

// One animation frame. Copying a frame sizes both copies exactly (step 1,
// first 1: capacity count + 1, 1 for an empty list) and copies the bounds;
// the copy's pick bounds are out of date.
struct MeshFrame {
  GrowArray<MeshNode> nodes;      // as built or loaded, markers included
  GrowArray<MeshNode> triangles;  // three nodes a triangle
  float radius = 0.0f;            // bounds of the triangle list
  float centre[3] = {};
  // Of the triangle list, for ray tests (gfx3d/pick_bounds.h): made by the
  // first ray test of the frame, so that frames never tested cost nothing.
  std::unique_ptr<PickBounds> pick;

  MeshFrame();
  MeshFrame(const MeshFrame& other);
  MeshFrame& operator=(const MeshFrame& other);
  ~MeshFrame();
};

// One side of a triangle of frame 0's triangle list: record 3t + j runs
// from vertex j of triangle t to vertex (j + 1) mod 3.
struct MeshEdge {
  int32_t neighbour = -1;    // the triangle across this side, -1 none
  uint8_t silhouette = 0;    // set by the light-facing pass
  uint8_t unused[3] = {};
};

// One mesh. Every array starts empty with step 128 and first 512.
class MeshObject {
 public:
  MeshObject() = default;
  MeshObject(const MeshObject&) = delete;
  MeshObject& operator=(const MeshObject&) = delete;
  virtual ~MeshObject();

  // Turns every frame's nodes into its triangle list; nothing in the base.
  virtual void BuildTriangles() {}

  // With release every frame, the palette and the draw list are freed;
  // without it only their counts go to 0 and the blocks stay for reuse.
  // Both valid flags become 0 in either case.
  void Clear(bool release);

  GrowArray<MeshFrame> frames;
  GrowArray<MeshNode> drawNodes;    // the pose being drawn, from frame 0's triangles
  GrowArray<uint32_t> palette;      // a node's colour index selects its entry
  int32_t normalsValid = 0;
  int32_t tangentsValid = 0;
  int32_t hasColours = 0;           // drawing passes the node colours
  uint32_t staticBuffer = 0;        // GL vertex buffer: frame 0's triangles
  int32_t staticStale = 0;          // frame 0's triangles changed since the static buffer was filled
  uint32_t streamBuffer = 0;        // GL vertex buffer: re-uploaded each draw (pose or shadow volume)
  int32_t drawListFrame = -1;       // the frame the draw list holds a plain copy of, -1 none
  uint32_t rampTexture = 0;         // GL texture of the cel ramp
  float celRowStep = 0.0f;          // 1 / ramp height
  GrowArray<MeshEdge> edges;        // for the shadow volumes
  GrowArray<uint8_t> facing;        // light-facing flag per triangle
  int32_t textureIndex[2] = {};     // into the object's texture names
};

// The kind of mesh every object holds. Copying a mesh copies every array
// (MeshObjectAssign) and the two texture indices.
class MeshObjectX : public MeshObject {
 public:
  MeshObjectX() = default;
  MeshObjectX(const MeshObjectX& other);
  MeshObjectX& operator=(const MeshObjectX& other);
  // Frees the mesh with MeshFree and releases its edges and flags.
  ~MeshObjectX() override;

  // The triangle lists and the draw list (gfx3d/triangle_lists.cpp).
  void BuildTriangles() override;
};

// Copies mesh m into d: frames, draw list and palette, the flags and the
// cel row step, then edges and light-facing flags, each array into a fresh
// block sized by GrowArray assignment. The copy names no GL object of its
// own yet (d's old buffers and ramp are deleted): drawing makes them anew
// when it needs them, so no two meshes ever delete the same name.
MeshObject& MeshObjectAssign(MeshObject& d, const MeshObject& m);

// The same copy of the frame array alone.
MeshObject& MeshFramesAssign(MeshObject& d, const MeshObject& m);

// Rebuilds the palette from the node colours, frame by frame and node by
// node: the first occurrence of a colour word (markers included) decides
// its entry, and each node's colour index becomes its entry (low 8 bits).
void MeshBuildPalette(MeshObject& mesh);

// Marks the static vertex buffer as out of date, so that the next draw
// fills it again from frame 0's triangles, the draw list as a copy of no
// frame, and every frame's pick bounds, so that the next ray test builds
// them again. Every change to a mesh's vertices calls it.
void MeshVerticesChanged(MeshObject& mesh);

// Releases one mesh: Clear(release); with release the edge and flag blocks
// are freed; both get count 0, step 64 and first 64; the vertex buffers
// (when the entry points are loaded) and the ramp texture are deleted and
// their names set to 0.
void MeshFree(MeshObject& mesh, bool release);
