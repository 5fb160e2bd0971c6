#include "gfx3d/object_load.h"

#include <cstring>

#include "files/file_stream.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/scene_file.h"

uint8_t Object3DLoad(Dodevudi3D* engine, const char* name, int32_t slot) {
  Object3D* object = Object3DAt(engine, slot);
  if (object == nullptr) return 0;
  Object3DEmpty(*object, false);
  if (name == nullptr || name[0] == '\0') return 0;

  // The first four bytes decide the reader (fewer in a shorter file).
  FileStream s{};
  if (!StreamOpen(s, name)) return 0;
  char head[4] = {};
  StreamRead(s, head, static_cast<int32_t>(s.size < 4 ? s.size : 4));
  StreamClose(s);
  if (std::memcmp(head, ";DDW", 4) == 0) {
    const uint32_t key = engine->owner != nullptr ? engine->owner->spriteColourKey : kDefaultSpriteColourKey;
    return SceneLoad(name, *object, key) ? 1 : 0;
  }

  if (!object->meshes.Reserve(1)) return 0;
  object->meshes.count = 1;
  MeshObjectX& mesh = object->meshes[0];
  if (!MeshLoadDdd(mesh, name) || mesh.frames.count < 1 || mesh.frames[0].nodes.count < 1) {
    Object3DEmpty(*object, false);
    return 0;
  }
  object->inUse = 1;
  object->severalMeshes = 0;
  mesh.BuildTriangles();
  MeshBounds(mesh);
  return 1;
}

void ObjectBuildBegin(Dodevudi3D* engine, int32_t slot, int32_t kind) {
  Object3D* object = Object3DAt(engine, slot);
  if (object == nullptr) return;
  g_objectBeingBuilt = -1;
  engine->frameBeingBuilt = 0;
  Object3DEmpty(*object, true);
  if (!object->meshes.Reserve(1)) return;
  object->meshes.count = 1;
  g_objectBeingBuilt = slot;
  object->meshes[0].frames.Push(MeshFrame());
  engine->nodeTemplate.normal[0] = 0.0f;
  engine->nodeTemplate.normal[1] = 0.0f;
  engine->nodeTemplate.normal[2] = 1.0f;
  ObjectBuildNewGroup(engine, kind);
}
