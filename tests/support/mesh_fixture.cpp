#include "tests/support/mesh_fixture.h"

MeshNode NodeAt(float x, float y, float z, uint32_t colour) {
  MeshNode node;
  node.position[0] = x;
  node.position[1] = y;
  node.position[2] = z;
  MeshNodeSetColour(node, colour);
  return node;
}

MeshNode MarkerNode(uint32_t marker) {
  MeshNode node;
  MeshNodeSetColour(node, marker);
  return node;
}

std::vector<MeshNode> NodesFromIds(const std::vector<int>& ids) {
  std::vector<MeshNode> nodes;
  for (int id : ids) {
    nodes.push_back(id >= -3 && id <= -1 ? MarkerNode(static_cast<uint32_t>(id))
                                         : NodeAt(static_cast<float>(id), 0.0f, 0.0f));
  }
  return nodes;
}

MeshFrame& AddFrame(MeshObject& mesh, const std::vector<MeshNode>& nodes) {
  MeshFrame frame;
  for (const MeshNode& node : nodes) frame.nodes.Push(node);
  mesh.frames.Push(frame);
  return mesh.frames[mesh.frames.count - 1];
}

std::vector<int> IdsOf(const GrowArray<MeshNode>& nodes) {
  std::vector<int> ids;
  for (const MeshNode& node : nodes) ids.push_back(static_cast<int>(node.position[0]));
  return ids;
}
