#include "gfx3d/mesh_records.h"

#include <GL/gl.h>

#include <unordered_map>

#include "gfx2d/gl_extensions.h"
#include "gfx3d/pick_bounds.h"

void MeshNodeSetColour(MeshNode& node, uint32_t colour) {
  node.colour = colour;
  if (colour >= kColourNone) {
    node.red = node.green = node.blue = node.alpha = 1.0f;
    return;
  }
  node.red = static_cast<float>(colour & 255) / 255.0f;
  node.green = static_cast<float>((colour >> 8) & 255) / 255.0f;
  node.blue = static_cast<float>((colour >> 16) & 255) / 255.0f;
  node.alpha = 1.0f;
}

namespace {

// A node list sized to the source's count exactly; a list that cannot be
// had stays empty.
void CopyNodesExact(GrowArray<MeshNode>& to, const GrowArray<MeshNode>& from) {
  to.count = 0;
  to.step = 1;
  to.first = 1;
  if (!to.Reserve(from.count)) return;
  for (int32_t i = 0; i < from.count; ++i) to.data[i] = from.data[i];
  to.count = from.count;
}

// Deletes the GL objects the mesh names and forgets them.
void DeleteGlObjects(MeshObject& mesh) {
  if (g_glext.glDeleteBuffersARB != nullptr) {
    if (mesh.staticBuffer != 0) g_glext.glDeleteBuffersARB(1, &mesh.staticBuffer);
    if (mesh.streamBuffer != 0) g_glext.glDeleteBuffersARB(1, &mesh.streamBuffer);
  }
  if (mesh.rampTexture != 0) glDeleteTextures(1, &mesh.rampTexture);
  mesh.staticBuffer = 0;
  mesh.streamBuffer = 0;
  mesh.rampTexture = 0;
}

}  // namespace

MeshFrame::MeshFrame() = default;

MeshFrame::MeshFrame(const MeshFrame& other) { *this = other; }

MeshFrame::~MeshFrame() = default;

MeshFrame& MeshFrame::operator=(const MeshFrame& other) {
  if (this == &other) return *this;
  CopyNodesExact(nodes, other.nodes);
  CopyNodesExact(triangles, other.triangles);
  radius = other.radius;
  for (int k = 0; k < 3; ++k) centre[k] = other.centre[k];
  if (pick != nullptr) pick->valid = 0;
  return *this;
}

MeshObject::~MeshObject() {
  Clear(true);
  palette.Release();
  drawNodes.Release();
  frames.Release();
}

void MeshObject::Clear(bool release) {
  if (release) {
    palette.Release();
    drawNodes.Release();
    frames.Release();  // each frame releases its two node lists
  } else {
    for (MeshFrame& frame : frames) {
      frame.nodes.Clear();
      frame.triangles.Clear();
    }
    palette.Clear();
    drawNodes.Clear();
    frames.Clear();
  }
  normalsValid = 0;
  tangentsValid = 0;
  drawListFrame = -1;
}

MeshObjectX::MeshObjectX(const MeshObjectX& other) : MeshObject() { *this = other; }

MeshObjectX& MeshObjectX::operator=(const MeshObjectX& other) {
  MeshObjectAssign(*this, other);
  textureIndex[0] = other.textureIndex[0];
  textureIndex[1] = other.textureIndex[1];
  return *this;
}

MeshObjectX::~MeshObjectX() {
  MeshFree(*this, true);
  edges.Release();
  facing.Release();
}

MeshObject& MeshObjectAssign(MeshObject& d, const MeshObject& m) {
  if (&d == &m) return d;
  d.frames.Assign(m.frames);
  d.drawNodes.Assign(m.drawNodes);
  d.palette.Assign(m.palette);
  d.normalsValid = m.normalsValid;
  d.tangentsValid = m.tangentsValid;
  d.hasColours = m.hasColours;
  d.drawListFrame = -1;
  DeleteGlObjects(d);
  d.celRowStep = m.celRowStep;
  d.edges.Assign(m.edges);
  d.facing.Assign(m.facing);
  return d;
}

MeshObject& MeshFramesAssign(MeshObject& d, const MeshObject& m) {
  if (&d != &m) d.frames.Assign(m.frames);
  return d;
}

void MeshBuildPalette(MeshObject& mesh) {
  mesh.palette.Clear();
  if (mesh.frames.count == 0) return;
  // Entry of each colour word met so far, for lists with many colours.
  std::unordered_map<uint32_t, int32_t> entries;
  for (MeshFrame& frame : mesh.frames) {
    for (MeshNode& node : frame.nodes) {
      const auto found = entries.find(node.colour);
      if (found != entries.end()) {
        node.colourIndex = static_cast<uint8_t>(found->second);
        continue;
      }
      const int32_t entry = mesh.palette.count;
      node.colourIndex = static_cast<uint8_t>(entry);
      if (mesh.palette.Push(node.colour)) entries.emplace(node.colour, entry);
    }
  }
}

void MeshVerticesChanged(MeshObject& mesh) {
  mesh.staticStale = 1;
  mesh.drawListFrame = -1;
  for (MeshFrame& frame : mesh.frames) {
    if (frame.pick != nullptr) frame.pick->valid = 0;
  }
}

void MeshFree(MeshObject& mesh, bool release) {
  mesh.Clear(release);
  if (release) {
    mesh.edges.Release();
    mesh.facing.Release();
  }
  mesh.edges.count = 0;
  mesh.facing.count = 0;
  mesh.edges.step = mesh.edges.first = 64;
  mesh.facing.step = mesh.facing.first = 64;
  DeleteGlObjects(mesh);
}
