// The 3D engine's transform stack: 16 levels, each collecting a position,
// a scale, up to 16 rotations and up to 16 free matrices, composed lazily
// into the level's model matrix when something is drawn.
//
// A vertex drawn at a level is scaled first, then turned by the rotations
// in the order they were added, then translated, then taken through the
// free matrices from the last added to the first, then through the level
// below (the base). Composition multiplies onto the stored result, so
// parts added after a composition land on top of the composed matrix;
// X3DPosition, X3DScale, X3DPush and X3DPop at level 0 put the base back.
//
// A ray test that finds the ray far from an object needs only where the
// level puts the object's origin, not the matrix: X3DLevelTurnAndMove
// composes the level as the test must, but lets the arithmetic wait until
// something reads the matrix or adds a part, which gives the same matrix
// as composing at once.
// Main thread only.
#pragma once

#include <cstdint>

#include "core/rt_array.h"

class Dodevudi3D;

inline constexpr int kTransformLevels = 16;
inline constexpr int kTransformParts = 16;  // rotations, and free matrices, a level holds

// One level of the stack. A fresh level is the identity.
struct TransformRecord {
  int32_t pendingCount = 0;
  int32_t rotationCount = 0;
  float rotations[kTransformParts][4] = {};  // angle in degrees, axis x, y, z
  float scale[3] = {1.0f, 1.0f, 1.0f};
  float translation[3] = {0.0f, 0.0f, 0.0f};
  float pending[kTransformParts][16] = {};
  float result[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  int32_t valid = 1;
  // -1 when the result is not known to be a turn and a move, else the
  // number of turn and move matrices multiplied into it since it was the
  // identity (0: it is the identity). Kept for the ray tests.
  int32_t turns = 0;
  // 1 while the level counts as composed (valid 1) but the result still
  // holds the base, the identity: the composition is worked out when
  // something reads the matrix or adds a part. turns then counts the
  // composed matrix's.
  int32_t owed = 0;
  // 1 while the level's parts are a move and turns, the sizes of each
  // one's numbers summing to at most 2^60, with the scale 1 and no free
  // matrix.
  int32_t plainParts = 1;
};

// The most turns a level's matrix may take for X3DLevelTurnAndMove to
// vouch for it. Each turn's matrix, and each product with one, stretches
// or shrinks a vector by a factor within 1 -+ 2^-16 at most (rounding), so
// the 3x3 part of such a matrix by one within 1 -+ kTurnStretch.
inline constexpr int32_t kMostTurns = 64;
inline constexpr double kTurnStretch = 0x1p-10;

// Position and scale restart the current level from its base; the other
// parts are kept.
void X3DPosition(Dodevudi3D& engine, double x, double y, double z);
void X3DScale(Dodevudi3D& engine, double x, double y, double z);
// A 17th rotation of a level is ignored.
void X3DRotate(Dodevudi3D& engine, double angle, double x, double y, double z);
// A one-dimensional array of exactly 16 numbers becomes the next free
// matrix (column-major); any other shape does nothing, a 17th matrix of a
// level is ignored, and an array without storage ends the program with
// error 9.
void X3DMultMatrix(Dodevudi3D& engine, RtArray<double>& array);

// Push composes the level and opens the next one on its result (nothing at
// the top level, 15). Pop goes down one level; at level 0 it makes level 0
// the identity.
void X3DPush(Dodevudi3D& engine);
void X3DPop(Dodevudi3D& engine);

// Composes the current level when something was added since.
void X3DUpdateModelMatrix(Dodevudi3D& engine);

// The number of turns of a level's result once it is composed on a base
// that has baseTurns (its move counted as one); -1 unless its parts are
// plain and the count stays within kMostTurns.
inline int32_t X3DComposedTurns(const TransformRecord& level, int32_t baseTurns) {
  const int32_t n = baseTurns + 1 + level.rotationCount;
  return baseTurns >= 0 && level.plainParts != 0 && n <= kMostTurns ? n : -1;
}

// Works out the level's composition (X3DUpdateModelMatrix's work).
void X3DComposeLevel(TransformRecord& level);

// Composes the level (the current one) as X3DUpdateModelMatrix does and,
// when its result is a turn and a move (no scale, no free matrix, moves
// and turns whose numbers' sizes sum to at most 2^60, on a base of the
// same kind, at most kMostTurns of them), answers true with the move (the result's
// translation). On the identity the arithmetic then waits: a move and
// turns give a matrix whose translation is the move itself (the products
// with 0 and 1 add only zeros to it). False when the result is of another
// kind (it is then composed).
inline bool X3DLevelTurnAndMove(TransformRecord& level, float move[3]) {
  if (level.valid == 0) {
    const int32_t n = level.turns == 0 ? X3DComposedTurns(level, 0) : -1;
    if (n >= 0) {
      level.turns = n;
      level.valid = 1;
      level.owed = 1;
    } else {
      X3DComposeLevel(level);
    }
  }
  const float* t = level.owed != 0 ? level.translation : level.result + 12;
  move[0] = t[0];
  move[1] = t[1];
  move[2] = t[2];
  return level.turns >= 0;
}

// Composes and multiplies OpenGL's current matrix by the level's result.
void X3DApplyModelMatrix(Dodevudi3D& engine);
// The current level's result as it stands (after X3DUpdateModelMatrix:
// the composed matrix).
const float* X3DModelMatrix(const Dodevudi3D& engine);

// Level 0, made the identity, becomes the current level.
void X3DResetStack(Dodevudi3D& engine);
