#include "fuzz/mesh_dump.h"

#include "gfx3d/mesh_records.h"

namespace {

template <typename T>
void Put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutNodes(std::string& out, const GrowArray<MeshNode>& nodes) {
  Put(out, nodes.count);
  for (const MeshNode& node : nodes) {
    for (float f : node.position) Put(out, f);
    for (float f : node.normal) Put(out, f);
    Put(out, node.u);
    Put(out, node.v);
    Put(out, node.colour);
    Put(out, node.colourIndex);
    Put(out, node.red);
    Put(out, node.green);
    Put(out, node.blue);
    Put(out, node.alpha);
  }
}

}  // namespace

std::string MeshDump(const MeshObject& mesh) {
  std::string out;
  Put(out, mesh.frames.count);
  for (const MeshFrame& frame : mesh.frames) {
    PutNodes(out, frame.nodes);
    PutNodes(out, frame.triangles);
    Put(out, frame.radius);
    for (float f : frame.centre) Put(out, f);
  }
  PutNodes(out, mesh.drawNodes);
  Put(out, mesh.palette.count);
  for (uint32_t colour : mesh.palette) Put(out, colour);
  Put(out, mesh.normalsValid);
  Put(out, mesh.hasColours);
  return out;
}
