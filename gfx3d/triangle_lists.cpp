#include "gfx3d/triangle_lists.h"

#include "gfx3d/dodevudi3d.h"

namespace {

enum class GroupMode { kTriangles, kStrip, kFan };

// Walks the frame's groups and returns the number of triangle nodes they
// give, pushing them onto out when it is not null.
int64_t WalkGroups(const MeshFrame& frame, const GrowArray<uint32_t>& palette, GrowArray<MeshNode>* out) {
  const MeshNode* pending[3] = {};
  int k = 0;
  GroupMode mode = GroupMode::kTriangles;
  int parity = 0;
  int64_t made = 0;
  for (const MeshNode& node : frame.nodes) {
    const uint32_t entry = node.colourIndex < palette.count ? palette[node.colourIndex] : 0;
    if (entry == kMarkerStrip) {
      k = 0;
      mode = GroupMode::kStrip;
      parity = 0;
      continue;
    }
    if (entry == kMarkerTriangles || entry == kMarkerFan) {
      k = 0;
      mode = entry == kMarkerFan ? GroupMode::kFan : GroupMode::kTriangles;
      continue;
    }
    pending[k++] = &node;
    if (k < 3) continue;
    made += 3;
    if (out != nullptr) {
      for (const MeshNode* corner : pending) out->Push(*corner);
    }
    if (mode == GroupMode::kTriangles) {
      k = 0;
    } else if (mode == GroupMode::kStrip) {
      k = 2;
      parity = 1 - parity;
      if (parity == 1) {
        pending[0] = pending[2];
      } else {
        pending[1] = pending[2];
      }
    } else {
      k = 2;
      pending[1] = pending[2];
    }
  }
  return made;
}

void BuildFrameTriangles(MeshFrame& frame, const GrowArray<uint32_t>& palette) {
  frame.triangles.count = 0;
  // Room for the whole list at once, so that long lists are not copied
  // over and over while they grow.
  const int64_t needed = WalkGroups(frame, palette, nullptr);
  const int32_t third = frame.nodes.count / 3;
  frame.triangles.Reserve(needed > third && needed < INT32_MAX ? static_cast<int32_t>(needed) : third);
  WalkGroups(frame, palette, &frame.triangles);
}

}  // namespace

void MeshObjectX::BuildTriangles() {
  if (frames.count == 0) return;
  for (MeshFrame& frame : frames) BuildFrameTriangles(frame, palette);
  drawNodes.Assign(frames[0].triangles);
  MeshVerticesChanged(*this);
  hasColours = 0;
  for (uint32_t entry : palette) {
    if (entry < kColourNone && entry != 0x00FFFFFFu) hasColours = 1;
  }
}

void Object3DShrink(Dodevudi3D* engine, int32_t slot) {
  Object3D* object = Object3DAt(engine, slot);
  if (object == nullptr) return;
  for (MeshObjectX& mesh : object->meshes) {
    mesh.palette.Release();
    mesh.edges.Release();
    if (mesh.frames.count > 0) {
      MeshFrame one = mesh.frames[0];
      if (one.nodes.Reserve(3)) {
        for (int32_t i = one.nodes.count; i < 3; ++i) one.nodes[i] = MeshNode{};
        one.nodes.count = 3;
      }
      if (one.triangles.Reserve(1)) {
        if (one.triangles.count < 1) one.triangles[0] = MeshNode{};
        one.triangles.count = 1;
      }
      mesh.frames.Release();
      mesh.frames.step = mesh.frames.first = 1;
      mesh.frames.Push(one);
    }
    mesh.facing.Release();
    mesh.drawNodes.Release();
    if (mesh.drawNodes.Reserve(3)) {
      for (int32_t i = 0; i < 3; ++i) mesh.drawNodes[i] = MeshNode{};
      mesh.drawNodes.count = 3;
    }
    MeshVerticesChanged(mesh);
  }
}
