// The cel-shading ramp: its size, the texels of each row as uploaded, and
// the table it is built from.
#include "gfx3d/cel_shading.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "gfx3d/dodevudi3d.h"
#include "tests/support/engine3d_fixture.h"

namespace {

// The texture as 0xRRGGBB texels, row 0 first.
std::vector<uint32_t> TexelsOf(uint32_t name, int32_t* width, int32_t* height) {
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
  std::vector<uint8_t> bytes(static_cast<size_t>(*width) * *height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  std::vector<uint32_t> texels;
  for (size_t i = 0; i < bytes.size(); i += 4) texels.push_back(bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2]);
  return texels;
}

TEST(CelRampSizeTest, WidthFollowsTheStepsAndHeightThePalette) {
  const struct {
    int32_t palette, steps, width, height;
  } cases[] = {
      {3, 16, 64, 4},       {0, 16, 64, 1},      {1, 1, 64, 1},          {5, 40, 256, 8},
      {17, 1000, 512, 32},  {16384, 16, 64, 16384}, {16385, 16, 64, 16385}, {20000, 16, 64, 20000},
  };
  for (const auto& c : cases) {
    const CelRampSize size = CelRampSizeFor(c.palette, c.steps);
    EXPECT_EQ(size.width, c.width) << c.palette << " " << c.steps;
    EXPECT_EQ(size.height, c.height) << c.palette << " " << c.steps;
  }
}

using CelRampTest = SpriteTest;

TEST_F(CelRampTest, RowsShadeEachPaletteColourInTheTablesSteps) {
  CelShadeTable().Release();
  const uint32_t palette[3] = {0x0000FF, 0xFFFFFFFF, 0x00FF80};  // red, a marker, green with some red
  for (uint8_t bgra : {0, 1}) {
    float rowStep = 0.0f;
    const uint32_t name = CelRampUpload(palette, 3, bgra, &rowStep);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(CelShadeTable().count, 16);  // the defaults, given on first use
    EXPECT_EQ(rowStep, 0.25f);
    int32_t width = 0;
    int32_t height = 0;
    const std::vector<uint32_t> t = TexelsOf(name, &width, &height);
    ASSERT_EQ(width, 64);
    ASSERT_EQ(height, 4);
    EXPECT_EQ(t[0], 0x640000u) << int{bgra};  // 100 of 255
    EXPECT_EQ(t[4], 0xA00000u) << int{bgra};  // 160
    for (int x = 28; x < 32; ++x) EXPECT_EQ(t[x], 0xCF0000u) << x;
    for (int x = 32; x < 64; ++x) EXPECT_EQ(t[x], 0xFF0000u) << x;
    EXPECT_EQ(t[64], 0x646464u);                       // the marker's row is grey
    EXPECT_EQ(t[2 * 64], 0x326400u);                   // red 0x80 * 100 / 255 = 50
    for (int x = 0; x < 64; ++x) EXPECT_EQ(t[3 * 64 + x], t[x]) << x;  // row 3 repeats entry 0
    glDeleteTextures(1, &name);
  }
}

TEST_F(CelRampTest, AWideTableWidensTheRampAndAnEmptyPaletteIsGrey) {
  GrowArray<uint8_t>& table = CelShadeTable();
  table.Release();
  ASSERT_TRUE(table.Reserve(40));
  for (int i = 0; i < 40; ++i) table[i] = static_cast<uint8_t>(i * 6);
  table.count = 40;
  float rowStep = 0.0f;
  const uint32_t name = CelRampUpload(nullptr, 0, 0, &rowStep);
  int32_t width = 0;
  int32_t height = 0;
  const std::vector<uint32_t> t = TexelsOf(name, &width, &height);
  EXPECT_EQ(width, 256);
  EXPECT_EQ(height, 1);
  EXPECT_EQ(rowStep, 1.0f);
  EXPECT_EQ(t[255], 0xEAEAEAu);  // step 39 (234) at the light end
  glDeleteTextures(1, &name);
  table.Release();
}

}  // namespace

namespace {

using CelTableTest = Engine3DTest;

TEST_F(CelTableTest, SettingTheTableDropsEveryRamp) {
  Object3D& object = engine3d().objects[5];
  ASSERT_TRUE(object.meshes.Reserve(1));
  object.meshes.count = 1;
  MeshObjectX& mesh = object.meshes[0];
  ASSERT_TRUE(mesh.palette.Push(0xFFFFFFu));
  MeshCelRampTexture(mesh, 0);
  ASSERT_NE(mesh.rampTexture, 0u);
  const uint32_t first = mesh.rampTexture;
  MeshCelRampTexture(mesh, 0);  // kept while the table stays
  EXPECT_EQ(mesh.rampTexture, first);

  const uint8_t steps[3] = {51, 127, 255};
  CelShadeTableSet(engine3d(), steps, 3);
  EXPECT_EQ(mesh.rampTexture, 0u);
  EXPECT_FALSE(glIsTexture(first));
  ASSERT_EQ(CelShadeTable().count, 3);
  EXPECT_EQ(CelShadeTable()[1], 127);

  CelShadeTableSet(engine3d(), nullptr, 0);
  ASSERT_EQ(CelShadeTable().count, 1);
  MeshCelRampTexture(mesh, 0);
  int32_t width = 0;
  int32_t height = 0;
  const std::vector<uint32_t> t = TexelsOf(mesh.rampTexture, &width, &height);
  EXPECT_EQ(t.front(), 0xFFFFFFu);  // full brightness across the width
  EXPECT_EQ(t.back(), 0xFFFFFFu);
  CelShadeTable().Release();
}

}  // namespace
