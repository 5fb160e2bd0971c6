// The offscreen window gives a working compatibility context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/gl_fixture.h"

using GlWindowTest = GlTest;

TEST_F(GlWindowTest, ClearsAndFillsThenReadsPixelsBack) {
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  // A red rectangle over the left half, drawn with the fixed-function pipeline.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kWidth, kHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(1.0f, 0.0f, 0.0f);
  glRecti(0, 0, kWidth / 2, kHeight);

  EXPECT_EQ(PixelAt(5, 5), 0xFF0000u);
  EXPECT_EQ(PixelAt(kWidth - 5, kHeight - 5), 0x0000FFu);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlWindowTest, ContextHasDepthAndStencilBits) {
  GLint depth = 0;
  GLint stencil = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  EXPECT_GE(depth, 24);
  EXPECT_EQ(stencil, 8);
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(std::strstr(version, "Core"), nullptr) << version;
}
