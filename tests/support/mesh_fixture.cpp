#include "tests/support/mesh_fixture.h"

#include <cstring>

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

ByteBuilder& ByteBuilder::U8(uint8_t x) {
  bytes.push_back(static_cast<char>(x));
  return *this;
}

ByteBuilder& ByteBuilder::U32(uint32_t x) {
  for (int k = 0; k < 4; ++k) U8(static_cast<uint8_t>(x >> (8 * k)));
  return *this;
}

ByteBuilder& ByteBuilder::F32(float x) {
  uint32_t word;
  std::memcpy(&word, &x, sizeof word);
  return U32(word);
}

ByteBuilder& ByteBuilder::F64(double x) {
  uint64_t word;
  std::memcpy(&word, &x, sizeof word);
  U32(static_cast<uint32_t>(word));
  return U32(static_cast<uint32_t>(word >> 32));
}

std::string QuadModelBytes() {
  ByteBuilder b;
  b.U32(0x00C6B317u).F64(2.0).I32(1).I32(3).I32(5);
  b.U32(0xFFFFFFFEu).U32(0x000000FFu).U32(0x0000FF00u);
  for (int i = 0; i < 5; ++i) b.F32(0.5f).F32(static_cast<float>(i));
  const float corners[5][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  b.I32(5);
  for (int i = 0; i < 5; ++i) {
    b.F32(corners[i][0]).F32(corners[i][1]).F32(corners[i][2]);
    b.U8(5).U8(i == 0 ? 0 : 1 + i % 2);
  }
  return b.bytes;
}
