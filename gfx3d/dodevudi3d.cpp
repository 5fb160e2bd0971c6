#include "gfx3d/dodevudi3d.h"

#include <GL/gl.h>

#include "gfx2d/opengl_dodevudi.h"

Dodevudi3D::Dodevudi3D(OpenGLDodevudi* owner_engine) : owner(owner_engine) {
  objects.step = 128;
  objects.first = 512;
  if (objects.Reserve(kObject3DCount)) objects.count = kObject3DCount;
  if (owner != nullptr) owner->engine3d = this;
}

Dodevudi3D::~Dodevudi3D() {
  for (int32_t i = objects.capacity - 1; i >= 0; --i) {
    Object3D& object = objects.data[i];
    if (object.textures.count > 0) glDeleteTextures(object.textures.count, object.textures.data);
    object.textures.Release();
  }
  objects.Release();
}
