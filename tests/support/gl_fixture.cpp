#include "tests/support/gl_fixture.h"

#include <GL/gl.h>

#include "platform/gl_window.h"

void GlTest::SetUp() {
  PlatformWindowConfig config;
  config.width = kWidth;
  config.height = kHeight;
  config.visible = false;
  config.title = "test";
  window_ = PlatformWindowCreate(config);
  ASSERT_NE(window_, nullptr) << "no GL context: " << PlatformLastError();
  glViewport(0, 0, kWidth, kHeight);
}

void GlTest::TearDown() { PlatformWindowDestroy(window_); }

uint32_t GlTest::PixelAt(int x, int y) const {
  unsigned char rgba[4] = {0, 0, 0, 0};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return (uint32_t{rgba[0]} << 16) | (uint32_t{rgba[1]} << 8) | rgba[2];
}
