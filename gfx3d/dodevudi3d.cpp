#include "gfx3d/dodevudi3d.h"

#include <GL/gl.h>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/opengl_dodevudi.h"

Dodevudi3D::Dodevudi3D(OpenGLDodevudi* owner_engine) : owner(owner_engine) {
  objects.step = 128;
  objects.first = 512;
  if (objects.Reserve(kObject3DCount)) objects.count = kObject3DCount;
  if (owner != nullptr) owner->engine3d = this;
}

Dodevudi3D::~Dodevudi3D() {
  // Every slot of the block, the last first; the slots past the count were
  // never filled and hold nothing.
  for (int32_t i = objects.capacity - 1; i >= 0; --i) {
    Object3DEmpty(objects.data[i], false);
  }
  objects.Release();
  if (g_glext.glDeleteObjectARB != nullptr) {
    for (ShaderSlot& shader : shaders) {
      if (shader.program != 0) g_glext.glDeleteObjectARB(shader.program);
      if (shader.vertexShader != 0) g_glext.glDeleteObjectARB(shader.vertexShader);
      if (shader.fragmentShader != 0) g_glext.glDeleteObjectARB(shader.fragmentShader);
      shader = ShaderSlot{};
    }
  }
}

Object3D* Object3DAt(Dodevudi3D* engine, int32_t slot) {
  if (engine == nullptr || slot < 0 || slot >= engine->objects.count) return nullptr;
  return &engine->objects.data[slot];
}

void Object3DEmpty(Object3D& object, bool keepBlocks) {
  for (MeshObjectX& mesh : object.meshes) MeshFree(mesh, !keepBlocks);
  if (keepBlocks) {
    object.meshes.count = 0;
  } else {
    object.meshes.Release();
  }
  object.inUse = 0;
  object.severalMeshes = 0;
  if (object.textures.count > 0) glDeleteTextures(object.textures.count, object.textures.data);
  if (keepBlocks) {
    object.textures.count = 0;
  } else {
    object.textures.Release();
  }
  object.meshes.step = object.meshes.first = 1;
  object.textures.step = object.textures.first = 1;
}

void Object3DReset(Dodevudi3D* engine, int32_t slot) {
  Object3D* object = Object3DAt(engine, slot);
  if (object != nullptr) Object3DEmpty(*object, false);
}
