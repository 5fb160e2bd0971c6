// Binary models (".ddd", and text models handed on by the binary reader)
// loaded into object slots: a file on disk and the same bytes as a memory
// file must give the same object, a model the runtime saves loads back
// with the same frames and positions, and rays through the model's
// triangles are picked as the plain scan of every triangle picks them
// (whatever the corners: NaN, infinite, huge, tiny or thin), also at a
// placed level.
#include <cstring>
#include <string>

#include "core/matrix4.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/mesh_dump.h"
#include "gfx3d/collision.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "gfx3d/transform_stack.h"
#include "tests/support/plain_pick.h"

namespace {

constexpr const char* kTarget = "ddd_model";

Dodevudi3D& Engine() {
  static Dodevudi3D* const engine = new Dodevudi3D(nullptr);
  return *engine;
}

std::string SlotDump(int32_t slot) {
  const Object3D& object = *Object3DAt(&Engine(), slot);
  std::string out = std::to_string(object.inUse) + " " + std::to_string(object.meshes.count) + "\n";
  for (const MeshObjectX& mesh : object.meshes) out += MeshDump(mesh);
  return out;
}

// The frames' node counts and positions, bit for bit.
std::string Positions(const MeshObject& mesh) {
  std::string out;
  for (const MeshFrame& frame : mesh.frames) {
    out += std::to_string(frame.nodes.count) + ":";
    for (const MeshNode& node : frame.nodes) out.append(reinterpret_cast<const char*>(node.position), 12);
  }
  return out;
}

// Places the current level as a program places an object: a move and a
// turn.
void Place() {
  X3DPosition(Engine(), 2.5, -1.0, 4.0);
  X3DRotate(Engine(), 35.0, 1.0, 2.0, 3.0);
}

// Rays through a corner, the middle of a side and the middle of a few of
// each frame's triangles, along the axes, a slant and a side (in the
// triangle's plane), from in front and from far behind: the picker gives
// what the plain scan gives, bit for bit, at the identity and at a level
// placed anew for each ray (whose composition the picker may let wait).
// Lists of many triangles are left out, the plain scans would cost too
// much.
void CheckPicks(MeshObjectX& mesh, bool placed) {
  X3DResetStack(Engine());
  float m[16];
  if (placed) Place();
  X3DUpdateModelMatrix(Engine());
  std::memcpy(m, X3DModelMatrix(Engine()), sizeof(m));
  for (int32_t f = 0; f < mesh.frames.count && f < 2; ++f) {
    const GrowArray<MeshNode>& list = mesh.frames[f].triangles;
    const int32_t triangles = list.count / 3;
    if (triangles == 0 || triangles > 20000) continue;
    for (int32_t t = 0; t < triangles; t += triangles / 4 + 1) {
      const float* a = list[3 * t].position;
      const float* b = list[3 * t + 1].position;
      const float* c = list[3 * t + 2].position;
      float targets[3][3];
      for (int i = 0; i < 3; ++i) {
        targets[0][i] = a[i];
        targets[1][i] = (a[i] + b[i]) * 0.5f;
        targets[2][i] = (a[i] + b[i] + c[i]) / 3.0f;
      }
      const float directions[][3] = {{0, 0, 1}, {1, 0, 0}, {0.6f, 0.8f, 0}, {b[0] - a[0], b[1] - a[1], b[2] - a[2]}};
      for (const auto& local : targets) {
        for (const auto& along : directions) {
          float target[3] = {local[0], local[1], local[2]};
          float direction[4] = {along[0], along[1], along[2], 0.0f};
          if (placed) {
            Mat4TransformPoint(m, local, target);
            Mat4TransformVector(m, direction, direction);
          }
          for (float back : {3.0f, -1000.0f}) {
            const float origin[3] = {target[0] - direction[0] * back, target[1] - direction[1] * back,
                                     target[2] - direction[2] * back};
            if (placed) Place();
            const float got = MeshRayTest(Engine(), mesh, f, origin, direction);
            const int32_t node = g_lastHitNode;
            const PlainPickAnswer want =
                placed ? PlainPickPlaced(list, m, origin, direction) : PlainPick(list, origin, direction);
            FUZZ_CHECK(std::memcmp(&got, &want.distance, sizeof got) == 0 && node == want.node, kTarget,
                       "the picker and the plain scan pick differently");
          }
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  Engine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Scene files have a target of their own (scene_file).
  if (size >= 4 && std::memcmp(data, ";DDW", 4) == 0) return -1;
  const std::string path = FuzzWriteFile("model.ddd", data, size);
  const FuzzMemoryFile memory(data, size);
  Dodevudi3D* engine = &Engine();

  const uint8_t fromDisk = Object3DLoad(engine, path.c_str(), 1);
  const uint8_t fromMemory = Object3DLoad(engine, memory.name(), 2);
  FUZZ_CHECK(fromDisk == fromMemory, kTarget, "disk and memory file: one loads, the other does not");
  FUZZ_CHECK(SlotDump(1) == SlotDump(2), kTarget, "disk and memory file give other objects");

  if (fromDisk != 0) {
    MeshObjectX& mesh = Object3DAt(engine, 1)->meshes[0];
    CheckPicks(mesh, false);
    CheckPicks(mesh, true);
    const std::string saved = FuzzScratchDir() + "/saved.ddd";
    FUZZ_CHECK(MeshSave(mesh, saved.c_str()), kTarget, "a loaded model cannot be saved");
    MeshObjectX again;
    FUZZ_CHECK(MeshLoadDdd(again, saved.c_str()), kTarget, "a saved model does not load");
    FUZZ_CHECK(Positions(again) == Positions(mesh), kTarget, "a saved model loads with other positions");
  }
  Object3DLoad(engine, "", 1);
  Object3DLoad(engine, "", 2);
  FuzzForgetErrorLog();
  return 0;
}
