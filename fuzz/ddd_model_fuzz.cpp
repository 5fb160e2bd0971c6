// Binary models (".ddd", and text models handed on by the binary reader)
// loaded into object slots: a file on disk and the same bytes as a memory
// file must give the same object, and a model the runtime saves loads back
// with the same frames and positions.
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "fuzz/mesh_dump.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"

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
    const MeshObjectX& mesh = Object3DAt(engine, 1)->meshes[0];
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
