// The binary model file ".ddd": a palette, one set of texture coordinates
// and frames of the same vertices, little-endian, no padding.
//
//   header (24 bytes): u32 magic 0x00C6B317, f64 version (1.02 to 2.0),
//     i32 frames F, i32 colours P, i32 texture coordinates T
//   P x u32 colour word; T x (f32 u, f32 v): vertex i takes pair i
//   F frames, version 2.0: i32 N, N x (3 f32 position, u8 normal index,
//     u8 colour index)
//   F frames, below 2.0: i32 N, 3 f32 offset, 3 f32 scale, N x (3 u8
//     packed position, u8 normal index, u8 colour index); a position is
//     (byte - offset) * scale; v is stored the other way round
//
// Normal indices select one of the 162 directions of kDddNormals.
// A file that does not begin with the magic is a text model
// (gfx3d/ddda_file.h).
#pragma once

class MeshObject;

inline constexpr int kDddNormalCount = 162;
extern const float kDddNormals[kDddNormalCount][3];

// Clears the mesh and reads the named file or memory block into it: the
// palette, the frames with their nodes (normal from the table, colour word
// from the palette, u and v by vertex number), normals-valid 1. Text models
// are read too. False, with the mesh cleared, when the name cannot be
// opened (no message) or the data is refused; refusals go to the error log
// as "# read error\n" ("# malloc error\n" when memory ran out, after
// "Wrong .ddd version: %.2f. Can use 1.02-%.2f\n" for a version outside
// 1.02 to 2.0) followed by the name and "\n".
//
// Refused: a header, palette, coordinate list or frame cut short, negative
// counts. Tolerated, as files the writer can make: a normal index past the
// table (direction 0), a colour index past the palette (no colour: white),
// more vertices than coordinates (u and v 0).
bool MeshLoadDdd(MeshObject& mesh, const char* name);

// Writes the mesh as a version 2.0 file: every frame, the palette, frame
// 0's u and v as held, each normal as the nearest table direction (0 for a
// zero normal). False, leaving any old file as it was, for a mesh without
// frames, a "mem://" name, or a file that could not be written in full.
bool MeshSave(const MeshObject& mesh, const char* name);
