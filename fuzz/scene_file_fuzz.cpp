// Scene files (";DDW" INI texts naming models and textures beside them)
// loaded into an object slot with an offscreen GL context. The folder
// holds a binary model, a text model and a BMP and a PNG texture for the
// scene to name; the scene loaded twice gives the same object.
#include <string>

#include "fuzz/fuzz_input.h"
#include "fuzz/mesh_dump.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/png_image.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/object_load.h"
#include "tests/support/mesh_fixture.h"

namespace {

constexpr const char* kTarget = "scene_file";

Dodevudi3D& Engine() {
  static Dodevudi3D* const engine = new Dodevudi3D(nullptr);
  return *engine;
}

std::string SlotDump(int32_t slot) {
  const Object3D& object = *Object3DAt(&Engine(), slot);
  std::string out = std::to_string(object.inUse) + " " + std::to_string(object.severalMeshes) + " " +
                    std::to_string(object.meshes.count) + " " + std::to_string(object.textures.count) + "\n";
  for (uint32_t texture : object.textures) out += texture != 0 ? "t" : "-";
  for (const MeshObjectX& mesh : object.meshes) {
    out += MeshDump(mesh) + std::to_string(mesh.textureIndex[0]) + "," + std::to_string(mesh.textureIndex[1]);
  }
  return out;
}

// The files a scene in the scratch folder can name.
void WriteSceneFolder() {
  FuzzWriteFile("quad.ddd", QuadModelBytes());
  FuzzWriteFile("tri.ddda",
                "DDDA 1.1\n1 0.5 0.5\n1 255 0 0 3 0 0 1 0 2 0\n2\n3 0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1\n"
                "3 0 0 1 0 0 1 1 0 1 0 0 1 0 1 1 0 0 1\n");
  const uint8_t pixels[4 * 4 * 4] = {255, 0,   255, 255, 0, 255, 0,   255, 0,   0,   255, 255, 9,   9,   9,   255,
                                     1,   2,   3,   255, 4, 5,   6,   255, 7,   8,   9,   255, 255, 0,   255, 255,
                                     0,   0,   0,   255, 1, 1,   1,   255, 200, 100, 50,  255, 10,  20,  30,  255,
                                     255, 255, 255, 255, 0, 0,   0,   255, 255, 0,   255, 255, 3,   3,   3,   255};
  const std::string folder = FuzzScratchDir() + "/";
  if (!BmpWriteFile((folder + "wall.bmp").c_str(), pixels, 4, 4) ||
      !PngWriteFile((folder + "floor.png").c_str(), pixels, 4, 4)) {
    FuzzFail(kTarget, "the scene's textures cannot be written");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  FuzzGlContextOnce();
  Engine();
  WriteSceneFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("scene.ddw", data, size);
  Dodevudi3D* engine = &Engine();
  const uint8_t first = Object3DLoad(engine, path.c_str(), 1);
  const std::string dump = SlotDump(1);
  const uint8_t second = Object3DLoad(engine, path.c_str(), 1);
  FUZZ_CHECK(first == second && dump == SlotDump(1), kTarget, "the same scene loads differently twice");
  if (size >= 4 && std::string(reinterpret_cast<const char*>(data), 4) == ";DDW") {
    FUZZ_CHECK(first == 1, kTarget, "a scene file did not load");
  }
  Object3DReset(engine, 1);
  FuzzForgetErrorLog();
  return 0;
}
