#include "gfx3d/transform_stack.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "core/float_to_int.h"
#include "core/matrix4.h"
#include "gfx2d/quad_batch.h"
#include "gfx3d/dodevudi3d.h"

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TransformRecord& Current(Dodevudi3D& engine) { return engine.stack[engine.currentLevel]; }

void Compose(TransformRecord& level);

// Puts the base back into the current level's result: the identity at
// level 0 (which it holds already while turns is 0 or a composition is
// owed), else the level below's result as it stands (composed, if that was
// only owed); and empties the level of rotations and free matrices.
TransformRecord& Restart(Dodevudi3D& engine) {
  TransformRecord& level = Current(engine);
  if (engine.currentLevel == 0) {
    if (level.turns != 0 && level.owed == 0) std::memcpy(level.result, kIdentity, sizeof(level.result));
    level.turns = 0;
  } else {
    TransformRecord& below = engine.stack[engine.currentLevel - 1];
    if (below.owed != 0) Compose(below);
    std::memcpy(level.result, below.result, sizeof(level.result));
    level.turns = below.turns;
  }
  level.owed = 0;
  level.valid = 0;
  level.rotationCount = 0;
  level.pendingCount = 0;
  return level;
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
  level.owed = 0;
}

// |x| + |y| + |z|: NaN or infinite when one of them is.
float SizeSum(const float v[3]) { return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]); }

// The turns of the level's result once it is composed on a base that has
// baseTurns (its move counted as one): -1 unless only a move and turns are
// added whose angles' radians are finite and whose axes' squared lengths
// are (each turn's matrix is then a rotation up to rounding, its axis
// exact or normalised, or it is skipped for an axis too short). A move of
// at most 2^100 keeps the translation finite through kMostTurns turns, and
// so the products of the 3x3 part free of NaN.
int32_t ComposedTurns(const TransformRecord& level, int32_t baseTurns) {
  uint32_t scale[3];
  std::memcpy(scale, level.scale, sizeof(scale));
  const uint32_t one = 0x3F800000u;  // 1.0f, the only float equal to 1
  if (baseTurns < 0 || level.pendingCount != 0 || scale[0] != one || scale[1] != one || scale[2] != one) return -1;
  if (!(SizeSum(level.translation) <= 0x1p100f)) return -1;
  for (int32_t i = 0; i < level.rotationCount; ++i) {
    const float* r = level.rotations[i];
    if (!(std::fabs(r[0]) <= 0x1p100f && SizeSum(r + 1) <= 0x1p60f)) return -1;
  }
  const int32_t n = baseTurns + 1 + level.rotationCount;
  return n <= kMostTurns ? n : -1;
}

// Works out the composition: on the result as it stands, or on the
// identity that an owed composition's result still holds.
void Compose(TransformRecord& level) {
  level.turns = ComposedTurns(level, level.owed != 0 ? 0 : level.turns);
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
  level.owed = 0;
}

}  // namespace

void X3DPosition(Dodevudi3D& engine, double x, double y, double z) {
  SetTriple(Restart(engine).translation, x, y, z);
}

void X3DScale(Dodevudi3D& engine, double x, double y, double z) {
  SetTriple(Restart(engine).scale, x, y, z);
}

void X3DRotate(Dodevudi3D& engine, double angle, double x, double y, double z) {
  TransformRecord& level = Current(engine);
  if (level.owed != 0) Compose(level);
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
  if (level.owed != 0) Compose(level);
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
  const TransformRecord& below = engine.stack[engine.currentLevel - 1];
  std::memcpy(level.result, below.result, sizeof(level.result));
  level.turns = below.turns;
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
  if (level.valid == 0 || level.owed != 0) Compose(level);
}

bool X3DLevelTurnAndMove(Dodevudi3D& engine, float move[3]) {
  TransformRecord& level = Current(engine);
  const float* t = level.result + 12;
  if (level.valid == 0) {
    // On the identity, a move and turns give a matrix whose translation is
    // the move itself (the products with 0 and 1 add only zeros to it):
    // the rest can wait.
    const int32_t n = level.turns == 0 ? ComposedTurns(level, 0) : -1;
    if (n < 0) {
      Compose(level);
    } else {
      level.turns = n;
      level.valid = 1;
      level.owed = 1;
    }
  }
  if (level.owed != 0) t = level.translation;
  move[0] = t[0];
  move[1] = t[1];
  move[2] = t[2];
  return level.turns >= 0;
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
  engine.stack[0].turns = 0;
}
