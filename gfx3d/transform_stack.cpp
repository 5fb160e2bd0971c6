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
// owed), else the level below's result as it stands (composed: a
// composition waits only on the current level, and a push composes it
// first); and empties the level of rotations and free matrices.
inline TransformRecord& Restart(Dodevudi3D& engine) {
  TransformRecord& level = Current(engine);
  if (engine.currentLevel != 0) {
    const TransformRecord& below = engine.stack[engine.currentLevel - 1];
    std::memcpy(level.result, below.result, sizeof(level.result));
    level.turns = below.turns;
  } else {
    if (level.turns != 0 && level.owed == 0) std::memcpy(level.result, kIdentity, sizeof(level.result));
    level.turns = 0;
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
  level.plainParts = 1;
}

// 1 when the scale is 1 (a plain part of the level).
int32_t UnitScale(const TransformRecord& level) {
  uint32_t scale[3];
  std::memcpy(scale, level.scale, sizeof(scale));
  const uint32_t one = 0x3F800000u;  // 1.0f, the only float equal to 1
  return ((scale[0] ^ one) | (scale[1] ^ one) | (scale[2] ^ one)) == 0 ? 1 : 0;
}

// True when the sizes of a part's numbers sum to at most 2^60 (never for
// NaN or an infinity): the part is plain. Worked out on the doubles given,
// which is stricter than on the floats they narrow to, so never wrong.
bool PlainSizes(double sum) { return sum <= 0x1p60; }

// Works out the composition: on the result as it stands, or on the
// identity that an owed composition's result still holds.
void Compose(TransformRecord& level) {
  level.turns = X3DComposedTurns(level, level.owed != 0 ? 0 : level.turns);
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

// The composition that a part added finds owed, a rare path kept out of
// the commands.
[[gnu::noinline, gnu::cold]] void ComposeOwed(TransformRecord& level) { Compose(level); }

}  // namespace

void X3DPosition(Dodevudi3D& engine, double x, double y, double z) {
  TransformRecord& level = Restart(engine);
  SetTriple(level.translation, x, y, z);
  level.plainParts = PlainSizes(std::fabs(x) + std::fabs(y) + std::fabs(z)) ? UnitScale(level) : 0;
}

void X3DScale(Dodevudi3D& engine, double x, double y, double z) {
  TransformRecord& level = Restart(engine);
  SetTriple(level.scale, x, y, z);
  const float* t = level.translation;
  level.plainParts = PlainSizes(double{std::fabs(t[0])} + std::fabs(t[1]) + std::fabs(t[2])) ? UnitScale(level) : 0;
}

void X3DRotate(Dodevudi3D& engine, double angle, double x, double y, double z) {
  TransformRecord& level = Current(engine);
  if (level.owed != 0) ComposeOwed(level);
  level.valid = 0;
  if (level.rotationCount >= kTransformParts) return;
  float* r = level.rotations[level.rotationCount++];
  r[0] = NarrowToFloat(angle);
  r[1] = NarrowToFloat(x);
  r[2] = NarrowToFloat(y);
  r[3] = NarrowToFloat(z);
  if (!PlainSizes(std::fabs(angle) + std::fabs(x) + std::fabs(y) + std::fabs(z))) level.plainParts = 0;
}

void X3DMultMatrix(Dodevudi3D& engine, RtArray<double>& array) {
  if (array.ndims != 1 || array.d1 != 16) return;
  if (array.data == nullptr) {
    ArrayAt(array, 0, 0, 0, 0);  // the bounds report and error 9
    return;
  }
  TransformRecord& level = Current(engine);
  if (level.owed != 0) ComposeOwed(level);
  level.valid = 0;
  if (level.pendingCount >= kTransformParts) return;
  float* m = level.pending[level.pendingCount++];
  for (int32_t i = 0; i < 16; ++i) m[i] = NarrowToFloat(*ArrayAt(array, i, 0, 0, 0));
  level.plainParts = 0;
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

void X3DComposeLevel(TransformRecord& level) { Compose(level); }

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
