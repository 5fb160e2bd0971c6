#include "gfx3d/array_commands.h"

#include "core/float_to_int.h"
#include "gfx3d/cel_shading.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/transform_stack.h"
#include "process/app_globals.h"

namespace {

// The array as one dimension of 16 elements, then the matrix copied in.
void CopyMatrix(RtArray<double>& array, const float* matrix) {
  if (array.ndims != 1 || array.d1 != 16) ArrayDimDouble(array, 16, 0, 0, 0);
  for (int32_t i = 0; i < 16; ++i) *ArrayAt(array, i, 0, 0, 0) = matrix[i];
}

// The corners of triangle number n of the object's frame, or null.
const MeshNode* FindTriangle(Object3D& object, uint32_t frame, int32_t n) {
  if (n < 0) return nullptr;
  int64_t running = 0;
  for (MeshObjectX& mesh : object.meshes) {
    if (mesh.frames.count < 1 || frame >= static_cast<uint32_t>(mesh.frames.count)) continue;
    const GrowArray<MeshNode>& list = mesh.frames[static_cast<int32_t>(frame)].triangles;
    const int64_t t = list.data != nullptr ? list.count / 3 : 0;
    if (n < running + t) return list.data + 3 * (n - running);
    running += t;
  }
  return nullptr;
}

}  // namespace

void Object3DGetTriangle(uint32_t object, uint32_t frame, int32_t triangle, RtArray<double>& array) {
  ArrayDimDouble(array, 3, 9, 0, 0);
  const int32_t slot = object <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int32_t>(object) : -1;
  Object3D* o = Object3DAt(g_app.engine3d, slot);
  if (o == nullptr) return;
  const MeshNode* corners = FindTriangle(*o, frame, triangle);
  if (corners == nullptr) return;
  for (int32_t c = 0; c < 3; ++c) {
    const MeshNode& node = corners[c];
    const double fields[9] = {node.position[0], node.position[1], node.position[2], node.u,         node.v,
                              static_cast<double>(node.colour), node.normal[0], node.normal[1], node.normal[2]};
    for (int32_t f = 0; f < 9; ++f) *ArrayAt(array, c, f, 0, 0) = fields[f];
  }
}

void X3DGetViewMatrix(RtArray<double>& array) {
  if (g_app.engine3d == nullptr) return;
  CopyMatrix(array, g_app.engine3d->camera);
}

void X3DGetModelMatrix(RtArray<double>& array) {
  if (g_app.engine3d == nullptr) return;
  X3DUpdateModelMatrix(*g_app.engine3d);
  CopyMatrix(array, X3DModelMatrix(*g_app.engine3d));
}

void X3DSetCelShading(RtArray<double>& array) {
  const int32_t n = ArrayBound(array, 0);
  RtArray<uint8_t> bytes;
  ArrayDimByte(bytes, n, 0, 0, 0);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t v = TruncToInt32(*ArrayAt(array, i, 0, 0, 0) * 255.0);
    // A 16-bit truncation of a value beyond its range gives 0x8000.
    *ArrayAt(bytes, i, 0, 0, 0) = v < -32768 || v > 32767 ? 0 : static_cast<uint8_t>(v & 0xFF);
  }
  const uint8_t* first = ArrayAt(bytes, 0, 0, 0, 0);  // no elements: error 9
  if (n < 1 || g_app.engine3d == nullptr) return;
  CelShadeTableSet(*g_app.engine3d, first, n);
}
