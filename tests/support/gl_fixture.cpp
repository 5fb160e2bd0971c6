#include "tests/support/gl_fixture.h"

#include <GL/gl.h>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/quad_batch.h"
#include "platform/gl_window.h"

void GlTest::SetUp() {
  PlatformWindowConfig config;
  config.width = kWidth;
  config.height = kHeight;
  config.visible = false;
  config.title = "test";
  window_ = PlatformWindowCreate(config);
  ASSERT_NE(window_, nullptr) << "no GL context: " << PlatformLastError();
  GlNewContext();
  glViewport(0, 0, kWidth, kHeight);
}

void GlTest::TearDown() {
  GlNewContext();
  PlatformWindowDestroy(window_);
}

uint32_t GlTest::PixelAt(int x, int y) const {
  unsigned char rgba[4] = {0, 0, 0, 0};
  QuadBatchFlush();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return (uint32_t{rgba[0]} << 16) | (uint32_t{rgba[1]} << 8) | rgba[2];
}

void GlTest::Fill(float x, float y, float w, float h, float r, float g, float b) {
  QuadBatchFlush();
  GlColorCached(r, g, b, 1.0f);
  glBegin(GL_QUADS);
  glVertex2f(x, y);
  glVertex2f(x + w, y);
  glVertex2f(x + w, y + h);
  glVertex2f(x, y + h);
  glEnd();
}
