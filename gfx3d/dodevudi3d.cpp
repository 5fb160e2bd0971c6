#include "gfx3d/dodevudi3d.h"

#include <GL/gl.h>

#include <cstdlib>
#include <new>

#include "gfx2d/gl_extensions.h"
#include "gfx2d/opengl_dodevudi.h"

Object3DSlots::Object3DSlots() {
  block_ = static_cast<Object3D*>(std::malloc(sizeof(Object3D) * kObject3DCount));
  if (block_ != nullptr) count = kObject3DCount;
}

Object3DSlots::~Object3DSlots() {
  // Every built slot, the last first.
  for (int32_t i = count - 1; i >= 0; --i) {
    if (!Built(i)) continue;
    Object3DEmpty(block_[i], false);
    block_[i].~Object3D();
  }
  std::free(block_);
}

Object3D& Object3DSlots::Build(int32_t slot) {
  built_[slot / 64] |= uint64_t{1} << (slot % 64);
  return *new (block_ + slot) Object3D;
}

Dodevudi3D::Dodevudi3D(OpenGLDodevudi* owner_engine) : owner(owner_engine) {
  if (owner != nullptr) owner->engine3d = this;
}

Dodevudi3D::~Dodevudi3D() {
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
  return &engine->objects[slot];
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
