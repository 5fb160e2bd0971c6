// A 3D engine over the 2D engine of SpriteTest, known to the runtime as
// g_app.engine3d, with helpers to draw and read what the 3D layer shows.
#pragma once

#include <memory>

#include "gfx3d/dodevudi3d.h"
#include "tests/support/sprite_fixture.h"

class Engine3DTest : public SpriteTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  Dodevudi3D& engine3d() { return *engine3d_; }

  // A square of side 2 * half centred on (0, 0, z), facing +z, drawn in
  // white through the current matrices.
  static void DrawSquareAt(float z, float half);

  std::unique_ptr<Dodevudi3D> engine3d_;
};

// Each channel of a 0xRRGGBB pixel within tolerance of the expected one.
testing::AssertionResult ColourNear(uint32_t got, uint32_t want, int tolerance);
