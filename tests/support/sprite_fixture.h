// A 2D engine on the offscreen test context, for tests of sprites and
// offscreen screens, with the temporary folder (error log, texture backup
// file) in a scratch folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_env.h"

class SpriteTest : public GlTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The error log's text so far.
  std::string ErrorLogText() const;

  OpenGLDodevudi& engine() { return *engine_; }

  // Clears the back buffer to 0xRRGGBB.
  static void ClearWindow(uint32_t rgb);

  // The first window pixel whose colour (0xRRGGBB) is not expected(x, y),
  // or "" when every pixel is.
  std::string WindowDifference(const std::function<uint32_t(int x, int y)>& expected) const;

  ScratchDir temp_;
  std::optional<ScopedEnv> tmpdir_;
  std::unique_ptr<OpenGLDodevudi> engine_;
};

// A w x h picture whose pixel (x, y) is Pattern(x, y, seed): every pixel
// different, alpha varying too.
ImageBuffer PatternPicture(int32_t width, int32_t height, uint32_t seed);
uint32_t PatternPixel(int32_t x, int32_t y, uint32_t seed);
// The same with every pixel opaque, so that drawing shows its colours as
// they are.
ImageBuffer OpaquePatternPicture(int32_t width, int32_t height, uint32_t seed);

// The pixel (x, y) of a picture as 0xRRGGBBAA.
uint32_t PictureRgba(const ImageBuffer& image, int32_t x, int32_t y);

// The first pixel where two pictures differ, or "" when they are equal.
std::string PictureDifference(const ImageBuffer& a, const ImageBuffer& b);
