#include "gfx3d/object_load.h"

#include "gfx3d/dodevudi3d.h"
#include "gfx3d/mesh_build.h"

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
