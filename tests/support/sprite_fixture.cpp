#include "tests/support/sprite_fixture.h"

#include <GL/gl.h>

#include <cstdio>

#include "files/error_log.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"

void SpriteTest::SetUp() {
  tmpdir_.emplace("TMPDIR", temp_.path());
  GlTest::SetUp();
  GlLoadExtensions();
  FboLoadExtensions();
  engine_ = std::make_unique<OpenGLDodevudi>();
  engine_->screenWidth = kWidth;
  engine_->screenHeight = kHeight;
  engine_->context = PlatformWindowContext(window_);  // the window stays the fixture's
  g_app.engine2d = engine_.get();
  GlColorCacheInvalidate();
  Reset2DState(*engine_);
}

void SpriteTest::TearDown() {
  // The engine's textures and framebuffers go while the context lives.
  g_app.engine2d = nullptr;
  engine_.reset();
  GlTest::TearDown();
  tmpdir_.reset();
}

std::string SpriteTest::ErrorLogText() const { return ReadFileBytes(ErrorLogPath()); }

void SpriteTest::ClearWindow(uint32_t rgb) {
  QuadBatchFlush();
  glClearColor(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
               static_cast<float>((rgb >> 8) & 0xFF) / 255.0f, static_cast<float>(rgb & 0xFF) / 255.0f,
               1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

std::string SpriteTest::WindowDifference(const std::function<uint32_t(int x, int y)>& expected) const {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t want = expected(x, y);
      const uint32_t got = PixelAt(x, y);
      if (got != want) {
        char text[80];
        std::snprintf(text, sizeof(text), "pixel %d,%d: %06x, expected %06x", x, y, got, want);
        return text;
      }
    }
  }
  return "";
}

uint32_t PatternPixel(int32_t x, int32_t y, uint32_t seed) {
  uint32_t v = (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^ seed;
  v ^= v >> 13;
  v *= 0x5bd1e995u;
  v ^= v >> 15;
  return v;
}

ImageBuffer PatternPicture(int32_t width, int32_t height, uint32_t seed) {
  ImageBuffer image;
  ImageBufferResize(image, width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t v = PatternPixel(x, y, seed);
      uint8_t* p = image.pixels + (static_cast<int64_t>(y) * width + x) * 4;
      p[0] = static_cast<uint8_t>(v >> 24);
      p[1] = static_cast<uint8_t>(v >> 16);
      p[2] = static_cast<uint8_t>(v >> 8);
      p[3] = static_cast<uint8_t>(v);
    }
  }
  return image;
}

ImageBuffer OpaquePatternPicture(int32_t width, int32_t height, uint32_t seed) {
  ImageBuffer image = PatternPicture(width, height, seed);
  for (int64_t i = 0; i < int64_t{width} * height; ++i) image.pixels[i * 4 + 3] = 255;
  return image;
}

uint32_t PictureRgba(const ImageBuffer& image, int32_t x, int32_t y) {
  const uint8_t* p = image.pixels + (static_cast<int64_t>(y) * image.width + x) * 4;
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

std::string PictureDifference(const ImageBuffer& a, const ImageBuffer& b) {
  if (a.width != b.width || a.height != b.height) {
    return "size " + std::to_string(a.width) + "x" + std::to_string(a.height) + " vs " +
           std::to_string(b.width) + "x" + std::to_string(b.height);
  }
  for (int32_t y = 0; y < a.height; ++y) {
    for (int32_t x = 0; x < a.width; ++x) {
      if (PictureRgba(a, x, y) != PictureRgba(b, x, y)) {
        char text[96];
        std::snprintf(text, sizeof(text), "pixel %d,%d: %08x vs %08x", x, y, PictureRgba(a, x, y),
                      PictureRgba(b, x, y));
        return text;
      }
    }
  }
  return "";
}
