// A fixture with an offscreen window and its OpenGL context.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

struct PlatformWindow;

class GlTest : public testing::Test {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  void SetUp() override;
  void TearDown() override;

  // The pixel at (x, y) counted from the top-left, as 0xRRGGBB, read from
  // the back buffer (read before any swap) after the queued quads are drawn.
  uint32_t PixelAt(int x, int y) const;

  // An opaque rectangle in the current projection's coordinates, drawn
  // untextured in the colour given (through the colour cache), at once
  // after the queued quads.
  static void Fill(float x, float y, float w, float h, float r, float g, float b);

  PlatformWindow* window_ = nullptr;
};
