// Smooth normals and texture-space tangents of a mesh, computed from the
// node lists of its frames.
//
// Each triangle of a node list adds its face normal (b x a with
// a = c1 - c0, b = c2 - c1; reversed for every second triangle of a strip)
// and, for tangents, its tangent and bitangent from the texture
// coordinates to the vertices it uses; the sums are normalised into the
// nodes. Nodes are one vertex when they share their index in the frame,
// or, when merging by position, the key trunc(256 x + 65536 y + 16777216 z)
// (low 32 bits), a coarse weld. Each frame is welded on its own, so every
// pose gets its own normals.
#pragma once

class MeshObject;

// Computes what is asked and not yet valid: normals while the mesh's
// normals-valid flag is 0, tangents while tangents-valid is 0. Nothing
// happens without frames, without nodes in frame 0, or when nothing is left
// to compute; otherwise normals-valid becomes 1 (tangents-valid too when
// tangents were computed) and the triangle lists are rebuilt.
void MeshComputeNormals(MeshObject& mesh, bool normals, bool mergeByPosition, bool tangents);
