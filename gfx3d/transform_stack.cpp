#include "gfx3d/transform_stack.h"

#include <GL/gl.h>

#include <cstring>

#include "core/float_to_int.h"
#include "core/matrix4.h"
#include "gfx2d/quad_batch.h"
#include "gfx3d/dodevudi3d.h"

namespace {

TransformRecord& Current(Dodevudi3D& engine) { return engine.stack[engine.currentLevel]; }

// The matrix the current level builds on: the identity at level 0, else
// the level below's result as it stands.
void SetResultToBase(Dodevudi3D& engine) {
  TransformRecord& level = Current(engine);
  if (engine.currentLevel == 0) {
    Mat4Identity(level.result);
  } else {
    std::memcpy(level.result, engine.stack[engine.currentLevel - 1].result, sizeof(level.result));
  }
}

void Restart(Dodevudi3D& engine) {
  TransformRecord& level = Current(engine);
  SetResultToBase(engine);
  level.valid = 0;
  level.rotationCount = 0;
  level.pendingCount = 0;
}

void SetTriple(float* out, double x, double y, double z) {
  out[0] = NarrowToFloat(x);
  out[1] = NarrowToFloat(y);
  out[2] = NarrowToFloat(z);
}

void ResetLevel(TransformRecord& level) {
  level.pendingCount = 0;
  level.rotationCount = 0;
  level.scale[0] = level.scale[1] = level.scale[2] = 1.0f;
  level.translation[0] = level.translation[1] = level.translation[2] = 0.0f;
  level.valid = 1;
}

void Compose(TransformRecord& level) {
  float* r = level.result;
  float m[16];
  for (int32_t i = 0; i < level.pendingCount; ++i) Mat4Multiply(r, level.pending[i], r);
  const float* t = level.translation;
  if (t[0] != 0.0f || t[1] != 0.0f || t[2] != 0.0f) {
    Mat4Translation(t[0], t[1], t[2], m);
    Mat4Multiply(r, m, r);
  }
  for (int32_t i = level.rotationCount - 1; i >= 0; --i) {
    const float* a = level.rotations[i];
    if (Mat4Rotation(a[0], a[1], a[2], a[3], m)) Mat4Multiply(r, m, r);
  }
  const float* s = level.scale;
  if (s[0] != 1.0f || s[1] != 1.0f || s[2] != 1.0f) {
    Mat4Scaling(s[0], s[1], s[2], m);
    Mat4Multiply(r, m, r);
  }
  level.valid = 1;
}

}  // namespace

void X3DPosition(Dodevudi3D& engine, double x, double y, double z) {
  Restart(engine);
  SetTriple(Current(engine).translation, x, y, z);
}

void X3DScale(Dodevudi3D& engine, double x, double y, double z) {
  Restart(engine);
  SetTriple(Current(engine).scale, x, y, z);
}

void X3DRotate(Dodevudi3D& engine, double angle, double x, double y, double z) {
  TransformRecord& level = Current(engine);
  level.valid = 0;
  if (level.rotationCount >= kTransformParts) return;
  float* r = level.rotations[level.rotationCount++];
  r[0] = NarrowToFloat(angle);
  r[1] = NarrowToFloat(x);
  r[2] = NarrowToFloat(y);
  r[3] = NarrowToFloat(z);
}

void X3DMultMatrix(Dodevudi3D& engine, RtArray<double>& array) {
  if (array.ndims != 1 || array.d1 != 16) return;
  if (array.data == nullptr) {
    ArrayAt(array, 0, 0, 0, 0);  // the bounds report and error 9
    return;
  }
  TransformRecord& level = Current(engine);
  level.valid = 0;
  if (level.pendingCount >= kTransformParts) return;
  float* m = level.pending[level.pendingCount++];
  for (int32_t i = 0; i < 16; ++i) m[i] = NarrowToFloat(*ArrayAt(array, i, 0, 0, 0));
}

void X3DPush(Dodevudi3D& engine) {
  if (engine.currentLevel >= kTransformLevels - 1) return;
  X3DUpdateModelMatrix(engine);
  ++engine.currentLevel;
  TransformRecord& level = Current(engine);
  ResetLevel(level);
  std::memcpy(level.result, engine.stack[engine.currentLevel - 1].result, sizeof(level.result));
}

void X3DPop(Dodevudi3D& engine) {
  if (engine.currentLevel > 0) {
    --engine.currentLevel;
    return;
  }
  X3DResetStack(engine);
}

void X3DUpdateModelMatrix(Dodevudi3D& engine) {
  TransformRecord& level = Current(engine);
  if (level.valid == 0) Compose(level);
}

void X3DApplyModelMatrix(Dodevudi3D& engine) {
  X3DUpdateModelMatrix(engine);
  QuadBatchFlush();
  glMultMatrixf(Current(engine).result);
}

const float* X3DModelMatrix(const Dodevudi3D& engine) { return engine.stack[engine.currentLevel].result; }

void X3DResetStack(Dodevudi3D& engine) {
  engine.currentLevel = 0;
  ResetLevel(engine.stack[0]);
  Mat4Identity(engine.stack[0].result);
}
