// Billboards and 3D text: the quads they build around the point, what the
// window shows, and the states they leave.
#include "gfx3d/billboards.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/sprite_slots.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/shadow_pass.h"
#include "tests/support/engine3d_fixture.h"

namespace {

class BillboardTest : public Engine3DTest {
 protected:
  void SetUp() override {
    Engine3DTest::SetUp();
    ClearWindow(0x000000);
    X3DBegin(engine3d(), 1.0, 100.0, 90.0);
    FontBuildDefault(engine(), 0);
  }

  // Sprite n becomes a 64 x 64 picture of opaque red.
  bool MakeRedSprite(int32_t n) {
    ImageBuffer red;
    ImageBufferResize(red, 64, 64);
    for (int32_t i = 0; i < 64 * 64; ++i) {
      const uint8_t rgba[4] = {255, 0, 0, 255};
      std::memcpy(red.pixels + i * 4, rgba, 4);
    }
    const bool made = SpriteFromImage(engine(), n, red, 0, false);
    ImageBufferRelease(red);
    return made;
  }

  void ExpectVertex(int32_t i, float x, float y, float z, const char* label) {
    const TexturedVertex& v = engine().vertices[i];
    EXPECT_NEAR(v.x, x, 1e-4f) << label << " vertex " << i;
    EXPECT_NEAR(v.y, y, 1e-4f) << label << " vertex " << i;
    EXPECT_NEAR(v.z, z, 1e-4f) << label << " vertex " << i;
  }
};

TEST_F(BillboardTest, ASpriteStandsOnThePointFacingTheCamera) {
  ASSERT_TRUE(MakeRedSprite(7));
  Billboard(engine(), 7, 0, 0, -50, 1.0f);
  ASSERT_EQ(engine().vertices.count, 4);
  ExpectVertex(0, -16, 0, -50, "billboard");
  ExpectVertex(2, 16, 32, -50, "billboard");
  // 24 pixels for 50 units: the quad reaches 7.68 pixels each side and
  // 15.36 pixels up from the window's centre row.
  EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2 - 8), 0xFF0000u);
  EXPECT_EQ(PixelAt(kWidth / 2 + 6, kHeight / 2 - 2), 0xFF0000u);
  EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2 + 2), 0x000000u);
  EXPECT_EQ(PixelAt(kWidth / 2 + 10, kHeight / 2 - 8), 0x000000u);
}

// Every sprite number of the table draws, the high ones too; numbers
// outside it draw nothing.
TEST_F(BillboardTest, EverySpriteOfTheTableDraws) {
  for (const int32_t sprite : {7, 32767, 32768, 40000, 65535}) {
    ASSERT_TRUE(MakeRedSprite(sprite)) << sprite;
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    X3DDrawBillboard(sprite, 0, 0, -50, 1.0);
    EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2 - 8), 0xFF0000u) << sprite;
  }
  for (const int32_t sprite : {-1, 65537, 1 << 20}) {
    ClearWindow(0x000000);
    X3DClearDepth(engine3d());
    engine().vertices.count = 0;
    X3DDrawBillboard(sprite, 0, 0, -50, 1.0);
    Billboard(engine(), sprite, 0, 0, -50, 1.0f);
    EXPECT_EQ(engine().vertices.count, 0) << sprite;
    EXPECT_EQ(PixelAt(kWidth / 2, kHeight / 2 - 8), 0x000000u) << sprite;
  }
}

TEST_F(BillboardTest, SceneTextIsCentredOnThePoint) {
  engine().glyphs[0]['A'].width = 4;
  engine().glyphs[0]['B'].width = 12;
  const struct {
    const char* text;
    uint32_t proportional;
    float size;
    float left, right, top;
  } cases[] = {
      {"HELLO", 0, 0.5f, -10, 10, 4},  // five 8-pixel cells of 4 units
      {"AB", 1, 1.0f, -8, 8, 8},       // 4 + 12 pixels
  };
  for (const auto& c : cases) {
    Text3D(engine(), 0, c.text, 0, 0, -20, c.size, c.proportional);
    const int32_t last = engine().vertices.count - 1;
    ASSERT_EQ(last + 1, static_cast<int32_t>(std::strlen(c.text)) * 4) << c.text;
    ExpectVertex(1, c.left, 0, -20, c.text);        // bottom-left of the first character
    ExpectVertex(0, c.left, c.top, -20, c.text);    // its top-left
    ExpectVertex(last, c.right, 0, -20, c.text);    // bottom-right of the last
  }
}

TEST_F(BillboardTest, ScreenTextGoesWhereThePointProjects) {
  GlStateEnable(GL_CULL_FACE);
  GlStateEnable(GL_LIGHTING);
  engine().vertices.count = 0;
  Text3D(engine(), 0, "AB", 0, 0, 0, 0.0f, 0);  // in the eye's plane: w is 0
  EXPECT_EQ(engine().vertices.count, 0);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

  Text3D(engine(), 0, "AB", 0, 0, -10, 0.0f, 0);  // the window's centre
  ASSERT_EQ(engine().vertices.count, 8);
  // Two 8 x 8 cells centred sideways, their bottom on the centre row.
  ExpectVertex(0, kWidth / 2 - 8, kHeight / 2, engine().vertices[0].z, "screen text");
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  GlStateDisable(GL_LIGHTING);
}

}  // namespace
