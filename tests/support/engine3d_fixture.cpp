#include "tests/support/engine3d_fixture.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "gfx2d/gl_state_cache.h"
#include "process/app_globals.h"

void Engine3DTest::SetUp() {
  SpriteTest::SetUp();
  engine3d_ = std::make_unique<Dodevudi3D>(&engine());
  g_app.engine3d = engine3d_.get();
}

void Engine3DTest::TearDown() {
  g_app.engine3d = nullptr;
  engine3d_.reset();
  SpriteTest::TearDown();
}

void Engine3DTest::DrawSquareAt(float z, float half) {
  GlColorCached(1.0f, 1.0f, 1.0f, 1.0f);
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  glVertex3f(-half, -half, z);
  glVertex3f(half, -half, z);
  glVertex3f(half, half, z);
  glVertex3f(-half, half, z);
  glEnd();
}

testing::AssertionResult ColourNear(uint32_t got, uint32_t want, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>((got >> shift) & 0xFF);
    const int b = static_cast<int>((want >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof(text), "%06x, expected %06x", got, want);
      return testing::AssertionFailure() << text;
    }
  }
  return testing::AssertionSuccess();
}
