// The transform stack: where a point lands after each kind of step, the
// order the parts act in, and the limits of the stack and of a level.
#include "gfx3d/transform_stack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "core/float_to_int.h"
#include "core/matrix4.h"
#include "gfx3d/dodevudi3d.h"
#include "tests/support/fixed_sequence.h"

namespace {

void ExpectPoint(const float m[16], const float in[3], const float want[3], const char* label) {
  float got[3];
  Mat4TransformPoint(m, in, got);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-5f) << label << " coordinate " << i;
}

void Matrix16(RtArray<double>& array, const float m[16]) {
  ArrayDimDouble(array, 16, 0, 0, 0);
  for (int i = 0; i < 16; ++i) array.data[i] = m[i];
}

TEST(TransformStackTest, PointsLandWhereThePartsPutThem) {
  struct Case {
    const char* label;
    std::function<void(Dodevudi3D&)> steps;
    float in[3];
    float want[3];
  };
  const Case cases[] = {
      {"turn about +z", [](Dodevudi3D& e) { X3DRotate(e, 90, 0, 0, 1); }, {1, 0, 0}, {0, 1, 0}},
      {"turn about -z", [](Dodevudi3D& e) { X3DRotate(e, 90, 0, 0, -1); }, {1, 0, 0}, {0, -1, 0}},
      {"turn about a slanted axis", [](Dodevudi3D& e) { X3DRotate(e, 120, 1, 1, 1); }, {1, 0, 0}, {0, 1, 0}},
      {"turn about no axis", [](Dodevudi3D& e) { X3DRotate(e, 90, 0, 0, 0); }, {1, 2, 3}, {1, 2, 3}},
      {"scale keeps the position",
       [](Dodevudi3D& e) {
         X3DPosition(e, 1, 2, 3);
         X3DScale(e, 2, 2, 2);
       },
       {1, 0, 0},
       {3, 2, 3}},
      {"first rotation acts first",
       [](Dodevudi3D& e) {
         X3DRotate(e, 90, 0, 0, 1);
         X3DRotate(e, 90, 1, 0, 0);
       },
       {1, 0, 0},
       {0, 0, 1}},
      {"scaled, turned, then moved",
       [](Dodevudi3D& e) {
         X3DScale(e, 2, 1, 1);
         X3DPosition(e, 0, 0, 5);
         X3DRotate(e, 90, 0, 0, 1);
       },
       {1, 0, 0},
       {0, 2, 5}},
      {"a free matrix acts after the translation",
       [](Dodevudi3D& e) {
         float twice[16];
         Mat4Scaling(2, 2, 2, twice);
         RtArray<double> array;
         Matrix16(array, twice);
         X3DPosition(e, 1, 0, 0);
         X3DMultMatrix(e, array);
       },
       {0, 0, 0},
       {2, 0, 0}},
      {"a pushed level builds on the one below",
       [](Dodevudi3D& e) {
         X3DPosition(e, 10, 0, 0);
         X3DPush(e);
         X3DPosition(e, 0, 5, 0);
       },
       {0, 0, 0},
       {10, 5, 0}},
      {"a rotation added after composing lands on the composed matrix with the others again",
       [](Dodevudi3D& e) {
         X3DRotate(e, 90, 0, 0, 1);
         X3DUpdateModelMatrix(e);
         X3DRotate(e, 90, 0, 0, 1);
       },
       {1, 0, 0},
       {0, -1, 0}},
      {"pop at level 0 is the identity",
       [](Dodevudi3D& e) {
         X3DPosition(e, 4, 4, 4);
         X3DPop(e);
       },
       {1, 2, 3},
       {1, 2, 3}},
      {"an array of another shape is no matrix",
       [](Dodevudi3D& e) {
         RtArray<double> array;
         ArrayDimDouble(array, 4, 4, 0, 0);
         X3DMultMatrix(e, array);
       },
       {1, 2, 3},
       {1, 2, 3}},
  };
  for (const Case& c : cases) {
    Dodevudi3D engine(nullptr);
    c.steps(engine);
    X3DUpdateModelMatrix(engine);
    ExpectPoint(X3DModelMatrix(engine), c.in, c.want, c.label);
  }
}

TEST(TransformStackTest, TheStackAndEachLevelStopAtSixteen) {
  Dodevudi3D engine(nullptr);
  for (int i = 0; i < 20; ++i) X3DPush(engine);
  EXPECT_EQ(engine.currentLevel, 15);
  for (int i = 0; i < 20; ++i) X3DRotate(engine, 90, 0, 0, 1);
  EXPECT_EQ(engine.stack[15].rotationCount, 16);
  RtArray<double> array;
  float identity[16];
  Mat4Identity(identity);
  Matrix16(array, identity);
  for (int i = 0; i < 20; ++i) X3DMultMatrix(engine, array);
  EXPECT_EQ(engine.stack[15].pendingCount, 16);
  // Sixteen quarter turns are whole turns.
  X3DUpdateModelMatrix(engine);
  const float in[3] = {1, 0, 0};
  ExpectPoint(X3DModelMatrix(engine), in, in, "sixteen quarter turns");
  for (int i = 0; i < 20; ++i) X3DPop(engine);
  EXPECT_EQ(engine.currentLevel, 0);
}

TEST(TransformStackTest, NumbersBeyondFloatsBecomeInfinities) {
  Dodevudi3D engine(nullptr);
  X3DPosition(engine, 1e300, std::nan(""), -1e300);
  X3DRotate(engine, 1e300, 1e300, 0, 0);
  X3DUpdateModelMatrix(engine);
  EXPECT_EQ(engine.stack[0].translation[0], HUGE_VALF);
  EXPECT_TRUE(std::isnan(engine.stack[0].translation[1]));
  EXPECT_EQ(engine.stack[0].translation[2], -HUGE_VALF);
  EXPECT_TRUE(std::isnan(X3DModelMatrix(engine)[0]));  // the turn by an infinite angle
}

// The stack as it was before a ray test could let a composition wait:
// every composition worked out when it happens, with the matrix arithmetic
// of core/matrix4.
class PlainStack {
 public:
  PlainStack() { Reset(); }

  void Reset() {
    current_ = 0;
    Clear(levels_[0]);
    Mat4Identity(levels_[0].result);
  }
  void Position(double x, double y, double z) { Triple(Restart().translation, x, y, z); }
  void Scale(double x, double y, double z) { Triple(Restart().scale, x, y, z); }
  void Rotate(double angle, double x, double y, double z) {
    Level& level = levels_[current_];
    level.valid = 0;
    if (level.rotationCount >= kTransformParts) return;
    float* r = level.rotations[level.rotationCount++];
    r[0] = NarrowToFloat(angle);
    Triple(r + 1, x, y, z);
  }
  void Multiply(const double m[16]) {
    Level& level = levels_[current_];
    level.valid = 0;
    if (level.pendingCount >= kTransformParts) return;
    float* p = level.pending[level.pendingCount++];
    for (int i = 0; i < 16; ++i) p[i] = NarrowToFloat(m[i]);
  }
  void Push() {
    if (current_ >= kTransformLevels - 1) return;
    Update();
    ++current_;
    Clear(levels_[current_]);
    std::memcpy(levels_[current_].result, levels_[current_ - 1].result, sizeof(float[16]));
  }
  void Pop() {
    if (current_ > 0) {
      --current_;
    } else {
      Reset();
    }
  }
  void Update() {
    Level& level = levels_[current_];
    if (level.valid != 0) return;
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
  const float* Matrix() const { return levels_[current_].result; }

 private:
  struct Level {
    int32_t pendingCount = 0;
    int32_t rotationCount = 0;
    float rotations[kTransformParts][4] = {};
    float scale[3] = {1.0f, 1.0f, 1.0f};
    float translation[3] = {};
    float pending[kTransformParts][16] = {};
    float result[16] = {};
    int32_t valid = 1;
  };

  static void Triple(float* out, double x, double y, double z) {
    out[0] = NarrowToFloat(x);
    out[1] = NarrowToFloat(y);
    out[2] = NarrowToFloat(z);
  }
  static void Clear(Level& level) {
    level.pendingCount = 0;
    level.rotationCount = 0;
    level.scale[0] = level.scale[1] = level.scale[2] = 1.0f;
    level.translation[0] = level.translation[1] = level.translation[2] = 0.0f;
    level.valid = 1;
  }
  Level& Restart() {
    Level& level = levels_[current_];
    if (current_ == 0) {
      Mat4Identity(level.result);
    } else {
      std::memcpy(level.result, levels_[current_ - 1].result, sizeof(level.result));
    }
    level.valid = 0;
    level.rotationCount = 0;
    level.pendingCount = 0;
    return level;
  }

  Level levels_[kTransformLevels];
  int32_t current_ = 0;
};

// A number for a transform part: mostly ordinary, sometimes 0, -0, 1, an
// axis-sized or huge value, one beyond the floats, infinite or NaN.
double OddNumber(FixedSequence& random, double ordinary) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double odd[] = {0.0, -0.0, 1.0, -1.0, 1e-30, -3e-39, 1e-4, 3e18, -2e30, 3.4e38, 1e300, inf, -inf, nan, -nan};
  if (random.Below(4) != 0) return ordinary * random.Signed();
  return odd[random.Below(static_cast<int32_t>(std::size(odd)))];
}

// How far the 3x3 part of m stretches or shrinks a vector at most: the
// largest row sum of |M^T M - I|, in doubles (it bounds |sigma^2 - 1|,
// and so |sigma - 1|, for every singular value sigma).
double Stretch(const float m[16]) {
  double worst = 0.0;
  for (int i = 0; i < 3; ++i) {
    double row = 0.0;
    for (int j = 0; j < 3; ++j) {
      double dot = 0.0;
      for (int k = 0; k < 3; ++k) dot += double{m[i * 4 + k]} * m[j * 4 + k];
      row += std::fabs(dot - (i == j ? 1.0 : 0.0));
    }
    worst = std::max(worst, row);
  }
  return worst;
}

// Random programs of stack commands, ray tests (X3DLevelTurnAndMove, which
// may let the composition wait) and reads, against the stack that composes
// at once: every matrix read is the same bit for bit, NaN, infinities and
// signed zeros included; a level the ray test vouches for moves by its
// result's translation and stretches by no more than its turns allow.
TEST(TransformStackTest, ComposingLaterGivesTheSameMatrices) {
  FixedSequence random(140);
  int reads = 0;
  int vouched = 0;
  int waited = 0;
  for (int program = 0; program < 3000; ++program) {
    Dodevudi3D engine(nullptr);
    PlainStack plain;
    const bool placing = program % 2 == 0;  // mostly moves and turns, as a game places objects
    for (int step = 0; step < 40; ++step) {
      const int kind = random.Below(placing ? 12 : 10);
      if (kind == 0 || kind >= 10) {
        const double x = placing ? 20.0 * random.Signed() : OddNumber(random, 20.0);
        const double y = OddNumber(random, 20.0);
        const double z = OddNumber(random, 20.0);
        X3DPosition(engine, x, y, z);
        plain.Position(x, y, z);
      } else if (kind == 1 && random.Below(3) == 0) {
        const double x = random.Below(2) == 0 ? 1.0 : OddNumber(random, 3.0);
        const double y = random.Below(2) == 0 ? 1.0 : OddNumber(random, 3.0);
        const double z = random.Below(2) == 0 ? 1.0 : OddNumber(random, 3.0);
        X3DScale(engine, x, y, z);
        plain.Scale(x, y, z);
      } else if (kind <= 3) {
        const double angle = OddNumber(random, 400.0);
        double axis[3] = {OddNumber(random, 1.0), OddNumber(random, 1.0), OddNumber(random, 1.0)};
        if (random.Below(3) == 0) {  // along one axis
          axis[(random.Below(2) + 1) % 3] = 0.0;
          axis[(random.Below(2) + 2) % 3] = 0.0;
        }
        X3DRotate(engine, angle, axis[0], axis[1], axis[2]);
        plain.Rotate(angle, axis[0], axis[1], axis[2]);
      } else if (kind == 4 && random.Below(4) == 0) {
        double m[16];
        RtArray<double> array;
        ArrayDimDouble(array, 16, 0, 0, 0);
        for (int i = 0; i < 16; ++i) array.data[i] = m[i] = i % 5 == 0 ? 1.0 : OddNumber(random, 0.5);
        X3DMultMatrix(engine, array);
        plain.Multiply(m);
      } else if (kind == 5) {
        X3DPush(engine);
        plain.Push();
      } else if (kind == 6) {
        X3DPop(engine);
        plain.Pop();
      } else if (kind == 7 && random.Below(8) == 0) {
        X3DResetStack(engine);
        plain.Reset();
      } else if (kind == 8 || kind == 4) {
        float move[3];
        const bool turnsAndMoves = X3DLevelTurnAndMove(engine.stack[engine.currentLevel], move);
        waited += engine.stack[engine.currentLevel].owed;
        plain.Update();
        if (turnsAndMoves) {
          ++vouched;
          const float* m = plain.Matrix();
          for (int i = 0; i < 3; ++i) ASSERT_EQ(move[i], m[12 + i]) << "program " << program << " step " << step;
          const int32_t turns = engine.stack[engine.currentLevel].turns;
          ASSERT_LE(turns, kMostTurns);
          ASSERT_LE(Stretch(m), turns * 0x1p-16) << "program " << program << " step " << step;
        }
      } else {
        X3DUpdateModelMatrix(engine);
        plain.Update();
        ++reads;
        ASSERT_EQ(std::memcmp(X3DModelMatrix(engine), plain.Matrix(), sizeof(float[16])), 0)
            << "program " << program << " step " << step;
      }
    }
    X3DUpdateModelMatrix(engine);
    plain.Update();
    ASSERT_EQ(std::memcmp(X3DModelMatrix(engine), plain.Matrix(), sizeof(float[16])), 0) << "program " << program;
  }
  EXPECT_GT(reads, 10000);
  EXPECT_GT(vouched, 3000);
  EXPECT_GT(waited, 2000);
}

// What the ray tests' quick miss rests on: a turn about any axis the stack
// vouches for, by any finite angle, and every product of such turns,
// stretches a vector by a factor within 1 -+ 2^-16 a turn at most.
TEST(TransformStackTest, TurnsStretchByLittleMoreThanRounding) {
  FixedSequence random(141);
  double worst = 0.0;  // the most stretch found, per turn
  int products = 0;
  for (int chain = 0; chain < 3000; ++chain) {
    Dodevudi3D engine(nullptr);
    X3DPosition(engine, random.Signed(), random.Signed(), random.Signed());
    float move[3];
    int32_t turns = 0;  // what the level's result will hold
    for (int turn = 0; turn < 64; ++turn) {
      const double size = std::pow(10.0, 27.0 * random.Signed() - 9.0);
      double axis[3];
      for (double& a : axis) a = random.Below(4) == 0 ? 0.0 : random.Signed() * std::pow(10.0, 6.0 * random.Signed());
      const double angle = random.Below(2) == 0 ? 360.0 * random.Signed() : size;
      X3DRotate(engine, angle, axis[0], axis[1], axis[2]);
      if (random.Below(4) != 0 && turn < 63) continue;
      // Each composition multiplies the move and every turn of the level
      // onto what it had.
      turns += 1 + engine.stack[0].rotationCount;
      ASSERT_EQ(X3DLevelTurnAndMove(engine.stack[engine.currentLevel], move), turns <= kMostTurns);
      if (turns > kMostTurns) break;
      X3DUpdateModelMatrix(engine);
      ASSERT_EQ(engine.stack[0].turns, turns);
      worst = std::max(worst, Stretch(X3DModelMatrix(engine)) / turns);
      ++products;
    }
  }
  EXPECT_GT(products, 10000);
  EXPECT_LT(worst, 0x1p-19);
}

}  // namespace
