#include "gfx3d/mesh_build.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_normals.h"
#include "process/debug_output.h"

int32_t g_objectBeingBuilt = -1;

namespace {

// Mesh 0 of the object being built, or null.
MeshObjectX* BuildMesh(Dodevudi3D* engine) {
  if (g_objectBeingBuilt < 0) return nullptr;
  Object3D* object = Object3DAt(engine, g_objectBeingBuilt);
  if (object == nullptr || object->meshes.count < 1) return nullptr;
  return &object->meshes[0];
}

// The frame being built, or null.
MeshFrame* BuildFrame(Dodevudi3D* engine) {
  MeshObjectX* mesh = BuildMesh(engine);
  const int32_t frame = engine != nullptr ? engine->frameBeingBuilt : -1;
  if (mesh == nullptr || frame < 0 || frame >= mesh->frames.count) return nullptr;
  return &mesh->frames[frame];
}

void ScaleVector(float x[3], const float s[3]) {
  for (int k = 0; k < 3; ++k) x[k] *= s[k];
}

// The nodes of the frame that are vertices, not group markers.
int32_t VertexCount(const MeshFrame& frame) {
  int32_t vertices = 0;
  for (const MeshNode& node : frame.nodes) {
    if (node.colour < kMarkerFan) ++vertices;
  }
  return vertices;
}

}  // namespace

void ObjectBuildSetFrame(Dodevudi3D* engine, int32_t frame) {
  MeshObjectX* mesh = BuildMesh(engine);
  if (frame < 0 || mesh == nullptr || frame == INT32_MAX) return;
  if (mesh->frames.count <= frame) {
    if (!mesh->frames.Reserve(frame + 1)) return;
    mesh->frames.count = frame + 1;
  }
  MeshFrame& selected = mesh->frames[frame];
  if (selected.nodes.count == 0 && mesh->frames[0].nodes.count > 0) selected.nodes.Push(mesh->frames[0].nodes[0]);
  engine->frameBeingBuilt = frame;
}

void ObjectBuildNormal(Dodevudi3D* engine, float nx, float ny, float nz) {
  if (BuildMesh(engine) == nullptr) return;
  engine->nodeTemplate.normal[0] = nx;
  engine->nodeTemplate.normal[1] = ny;
  engine->nodeTemplate.normal[2] = nz;
}

void ObjectBuildVertex(Dodevudi3D* engine, float x, float y, float z, float u, float v, uint32_t colour) {
  MeshFrame* frame = BuildFrame(engine);
  if (frame == nullptr) return;
  MeshNode& node = engine->nodeTemplate;
  node.position[0] = x;
  node.position[1] = y;
  node.position[2] = z;
  node.u = u;
  node.v = -v;
  MeshNodeSetColour(node, colour);
  frame->nodes.Push(node);
  std::printf("%d %d\n", engine->frameBeingBuilt, frame->nodes.count);
}

void ObjectBuildNewGroup(Dodevudi3D* engine, int32_t kind) {
  MeshFrame* frame = BuildFrame(engine);
  if (frame == nullptr) return;
  MeshNode marker;
  MeshNodeSetColour(marker, kind == 0 ? kMarkerTriangles : kind == 2 ? kMarkerFan : kMarkerStrip);
  frame->nodes.Push(marker);
}

void ObjectBuildEnd(Dodevudi3D* engine) {
  Object3D* object = g_objectBeingBuilt >= 0 ? Object3DAt(engine, g_objectBeingBuilt) : nullptr;
  g_objectBeingBuilt = -1;
  if (object == nullptr) return;
  object->severalMeshes = 0;
  object->inUse = 0;
  if (object->meshes.count < 1) return;
  MeshObjectX& mesh = object->meshes[0];
  if (mesh.frames.count == 0 || VertexCount(mesh.frames[0]) < 3) {
    MeshFree(mesh, true);
    return;
  }
  const int32_t m = mesh.frames[0].nodes.count;
  for (int32_t i = 0; i < mesh.frames.count; ++i) {
    const int32_t k = mesh.frames[i].nodes.count;
    if (k != m) {
      const std::string text = "Frame " + std::to_string(i) + " has " + std::to_string(k) +
                               " nodes, but must have (like frame 0) " + std::to_string(m) + " nodes\n";
      DebugOutput(RtString(text.c_str()));
      return;
    }
  }
  object->inUse = 1;
  MeshBuildPalette(mesh);
  if (engine->normalMode == 1 || engine->normalMode == 2) {
    MeshComputeNormals(mesh, true, engine->normalMode == 2, false);
  }
  if (mesh.drawNodes.count == 0) mesh.BuildTriangles();
  MeshBounds(mesh);
}

void MeshBounds(MeshObject& mesh) {
  for (MeshFrame& frame : mesh.frames) {
    float centre[3] = {};
    const GrowArray<MeshNode>& nodes = frame.triangles;
    if (nodes.count > 0) {
      for (const MeshNode& node : nodes) {
        for (int k = 0; k < 3; ++k) centre[k] += node.position[k];
      }
      const float scale = 1.0f / static_cast<float>(nodes.count);
      for (float& c : centre) c *= scale;
    }
    float radius = 0.0f;
    for (const MeshNode& node : nodes) {
      float q = 0.0f;
      for (int k = 0; k < 3; ++k) {
        const float d = node.position[k] - centre[k];
        q += d * d;
      }
      const float distance = q <= 1e-7f ? 0.0f : std::sqrt(q);
      if (distance > radius) radius = distance;
    }
    frame.radius = std::fabs(radius);
    for (int k = 0; k < 3; ++k) frame.centre[k] = centre[k];
  }
}

void MeshScale(MeshObject& mesh, float sx, float sy, float sz) {
  const float s[3] = {sx, sy, sz};
  float unit[3] = {sx, sy, sz};
  const float q = sx * sx + sy * sy + sz * sz;
  if (q > 1e-7f && std::sqrt(q) != 0.0f) {
    const float length = std::sqrt(q);
    for (float& x : unit) x /= length;
  }
  for (MeshFrame& frame : mesh.frames) {
    for (MeshNode& node : frame.triangles) {
      ScaleVector(node.position, s);
      ScaleVector(node.normal, s);
      ScaleVector(node.tangent, s);
      ScaleVector(node.bitangent, s);
    }
    for (MeshNode& node : frame.nodes) {
      ScaleVector(node.position, s);
      ScaleVector(node.normal, unit);
      ScaleVector(node.tangent, unit);
      ScaleVector(node.bitangent, unit);
    }
  }
  MeshVerticesChanged(mesh);
  MeshBounds(mesh);
}

void Object3DScaleMeshes(Object3D& object, float sx, float sy, float sz) {
  for (MeshObjectX& mesh : object.meshes) MeshScale(mesh, sx, sy, sz);
}
