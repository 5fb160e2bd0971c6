#include "gfx3d/array_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx3d/cel_shading.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/transform_stack.h"
#include "process/app_globals.h"
#include "tests/support/mesh_fixture.h"

namespace {

// Slot 2 holds two meshes of separate triangles: 4 with corners at
// x = 0 to 11, then 6 with corners at x = 100 to 117.
class ArrayCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_app.engine3d = &engine_;
    Object3D& object = engine_.objects[2];
    object.meshes.Reserve(2);
    object.meshes.count = 2;
    for (int m = 0; m < 2; ++m) {
      std::vector<int> ids = {-1};
      for (int i = 0; i < (m == 0 ? 12 : 18); ++i) ids.push_back(m * 100 + i);
      AddFrame(object.meshes[m], NodesFromIds(ids));
      MeshBuildPalette(object.meshes[m]);
      object.meshes[m].BuildTriangles();
    }
  }
  void TearDown() override {
    g_app.engine3d = nullptr;
    CelShadeTable().Clear();
  }

  static void Fill(RtArray<double>& array, const std::vector<double>& values) {
    ArrayDimDouble(array, static_cast<int32_t>(values.size()), 0, 0, 0);
    for (size_t i = 0; i < values.size(); ++i) array.data[i] = values[i];
  }

  Dodevudi3D engine_{nullptr};
};

TEST_F(ArrayCommandsTest, TrianglesAreCountedOverTheMeshes) {
  MeshNode& node = engine_.objects[2].meshes[1].frames[0].triangles[4];
  node.u = 0.25f;
  node.v = -0.5f;
  node.colour = 0xFFFFFFFDu;
  node.normal[2] = 1.0f;
  struct Case {
    uint32_t object, frame;
    int32_t triangle;
    double firstX;  // -1: the array stays all 0
  };
  const Case cases[] = {{2, 0, 5, 103}, {2, 0, 0, 0},  {2, 0, 3, 9},  {2, 0, 9, 115},    {2, 0, 10, -1},
                        {2, 0, -1, -1}, {2, 1, 5, -1}, {0, 0, 0, -1}, {4096, 0, 0, -1}, {0xFFFFFFFFu, 0, 0, -1}};
  for (const Case& c : cases) {
    RtArray<double> array;
    Fill(array, {7, 7, 7});
    Object3DGetTriangle(c.object, c.frame, c.triangle, array);
    ASSERT_EQ(array.d1, 3);
    ASSERT_EQ(array.d2, 9);
    for (int corner = 0; corner < 3; ++corner) {
      const double x = c.firstX < 0 ? 0 : c.firstX + corner;
      EXPECT_EQ(array.data[corner], x) << c.triangle << " " << c.frame;
    }
    if (c.firstX < 0) {
      for (int i = 0; i < 27; ++i) EXPECT_EQ(array.data[i], 0.0) << c.triangle;
    }
  }
  RtArray<double> array;
  Object3DGetTriangle(2, 0, 5, array);
  const double fields[9] = {104, 0, 0, 0.25, -0.5, 4294967293.0, 0, 0, 1};
  for (int f = 0; f < 9; ++f) EXPECT_EQ(array.data[1 + 3 * f], fields[f]) << f;
}

TEST_F(ArrayCommandsTest, MatricesComeBackAsSixteenNumbers) {
  for (float& x : engine_.camera) x = static_cast<float>(&x - engine_.camera);
  X3DResetStack(engine_);
  X3DPosition(engine_, 1, 2, 3);
  const int32_t shapes[][2] = {{0, 0}, {4, 0}, {16, 0}, {4, 4}};
  for (const auto& shape : shapes) {
    RtArray<double> view;
    RtArray<double> model;
    if (shape[0] > 0) {
      ArrayDimDouble(view, shape[0], shape[1], 0, 0);
      ArrayDimDouble(model, shape[0], shape[1], 0, 0);
    }
    X3DGetViewMatrix(view);
    X3DGetModelMatrix(model);
    for (RtArray<double>* a : {&view, &model}) {
      EXPECT_EQ(a->ndims, 1);
      EXPECT_EQ(a->d1, 16);
    }
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(view.data[i], i);
      const double identity = i % 5 == 0 ? 1.0 : 0.0;
      EXPECT_EQ(model.data[i], i >= 12 && i < 15 ? i - 11.0 : identity) << i;
    }
  }
}

TEST_F(ArrayCommandsTest, CelShadingTakesTheLowByteOfEachStep) {
  struct Case {
    std::vector<double> values;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {{0.2, 0.5, 1.0}, {51, 127, 255}},
      {{NAN, 1e300, -1, 200, 128.5, 2}, {0, 0, 1, 0, 255, 254}},
  };
  for (const Case& c : cases) {
    RtArray<double> array;
    Fill(array, c.values);
    X3DSetCelShading(array);
    const GrowArray<uint8_t>& table = CelShadeTable();
    ASSERT_EQ(table.count, static_cast<int32_t>(c.bytes.size()));
    for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(table[static_cast<int32_t>(i)], c.bytes[i]) << i;
  }
  // A two-dimensional array gives its first dimension.
  RtArray<double> array;
  ArrayDimDouble(array, 2, 3, 0, 0);
  array.data[0] = 1.0;
  X3DSetCelShading(array);
  EXPECT_EQ(CelShadeTable().count, 2);
}

TEST_F(ArrayCommandsTest, CelShadingWithoutElementsIsError9) {
  RtArray<double> empty;
  EXPECT_EXIT(X3DSetCelShading(empty), testing::ExitedWithCode(0), "bounds: ");
}

}  // namespace
