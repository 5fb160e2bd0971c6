// The transform stack: where a point lands after each kind of step, the
// order the parts act in, and the limits of the stack and of a level.
#include "gfx3d/transform_stack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/matrix4.h"
#include "gfx3d/dodevudi3d.h"

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

}  // namespace
