#include "gfx2d/font_images.h"

#include <cstring>

#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/png_image.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"

namespace {

// The built-in font: characters 32 to 127, each a pattern of 5 columns by
// 6 rows; bit 5 * y + x set (y = 0 at the top) is a lit pixel.
constexpr uint32_t kDefaultFontPatterns[96] = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080,
    0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E,
    0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E,
    0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5,
    0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800,
    0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400,
    0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};

constexpr int32_t kDefaultFontWidth = 128;
constexpr int32_t kDefaultFontHeight = 64;
constexpr int32_t kDefaultFontCell = 8;

// The space's character code, the index of its glyph record.
constexpr int32_t kSpaceCode = ' ';

// Whether cell pixel (px, py) is lit by the pattern: the pattern sits one
// pixel in from the cell's top-left corner.
bool PatternLit(uint32_t pattern, int32_t px, int32_t py) {
  if (px < 1 || px > 5 || py < 1 || py > 6) return false;
  return (pattern >> (5 * (py - 1) + (px - 1))) & 1u;
}

bool ColumnHasInk(const ImageBuffer& image, int32_t x, int32_t top, int32_t height) {
  for (int32_t y = top; y < top + height; ++y) {
    if (image.pixels[(static_cast<int64_t>(y) * image.width + x) * 4 + 3] != 0) return true;
  }
  return false;
}

// Measures every glyph of the picture into the font's table. Every pixel
// read lies inside the picture: 16 cells of width / 16 columns and 8 or 16
// rows of height / 8 or / 16 lines.
void MeasureGlyphs(const ImageBuffer& image, GlyphRecord* glyphs) {
  const bool eightRows = image.width >= image.height;
  const int32_t characters = eightRows ? 128 : 256;
  const int32_t w = image.width / 16;
  const int32_t h = eightRows ? image.height / 8 : image.height / 16;
  const float tw = static_cast<float>(TextureSideFor(image.width));
  for (int32_t i = 0; i < characters; ++i) {
    const int32_t cellX = (i % 16) * w;
    const int32_t cellY = (i / 16) * h;
    int32_t left = 0;
    int32_t width = 0;
    int32_t k = 0;
    while (k < w && !ColumnHasInk(image, cellX + k, cellY, h)) ++k;
    if (k == w) {
      width = w;  // an empty cell
    } else {
      left = k;
      int32_t last = w - 1;
      while (!ColumnHasInk(image, cellX + last, cellY, h)) --last;
      width = last - left + 1;
      if (left + width < w) ++width;
    }
    GlyphRecord& glyph = glyphs[i];
    glyph.leftOffset = static_cast<uint8_t>(left);
    glyph.width = static_cast<uint8_t>(width);
    glyph.uLeft = static_cast<float>(cellX + left) / tw;
    glyph.uRight = static_cast<float>(cellX + left + width) / tw;
    if (i == 'j') {
      // The space is as wide as the j; its left offset stays.
      GlyphRecord& space = glyphs[kSpaceCode];
      space.width = glyph.width;
      space.uLeft = 0.0f;
      space.uRight = glyph.uRight - glyph.uLeft;
    }
    if (characters == 128) glyphs[i + 128] = glyph;
  }
}

}  // namespace

bool FontFromFile(OpenGLDodevudi& engine, int32_t n, const char* name) {
  if (!FontNumberValid(n)) return false;
  const int32_t sprite = kFontSpriteBase + n;
  const int32_t key = static_cast<int32_t>(engine.fontColourKey);
  ImageBuffer image;
  const bool read = name != nullptr && name[0] != '\0' &&
                    (ImageLoadBmp(image, name, key) || ImageLoadPng(image, name, key));
  // A glyph record holds offsets and widths up to 255 pixels.
  if (!read || image.width / 16 > 255) {
    SpriteReset(engine, sprite);
    ImageBufferRelease(image);
    return false;
  }
  MeasureGlyphs(image, engine.glyphs[n]);
  const bool made = SpriteFromImage(engine, sprite, image, engine.fontColourKey, false);
  ImageBufferRelease(image);
  return made;
}

bool ImageDefaultFont(ImageBuffer& image) {
  if (!ImageBufferResize(image, kDefaultFontWidth, kDefaultFontHeight)) return false;
  std::memset(image.pixels, 0, static_cast<size_t>(kDefaultFontWidth) * kDefaultFontHeight * 4);
  for (int32_t c = 32; c < 128; ++c) {
    const uint32_t pattern = kDefaultFontPatterns[c - 32];
    const int32_t x0 = kDefaultFontCell * (c % 16);
    const int32_t y0 = kDefaultFontCell * (c / 16);
    // Column 7 of the cell stays transparent.
    for (int32_t py = 0; py < kDefaultFontCell; ++py) {
      for (int32_t px = 0; px < kDefaultFontCell - 1; ++px) {
        uint8_t* pixel = image.pixels + ((static_cast<int64_t>(y0) + py) * kDefaultFontWidth + x0 + px) * 4;
        if (PatternLit(pattern, px, py)) {
          std::memset(pixel, 255, 4);
        } else if (PatternLit(pattern, px - 1, py) || PatternLit(pattern, px + 1, py) ||
                   PatternLit(pattern, px, py - 1) || PatternLit(pattern, px, py + 1)) {
          pixel[0] = pixel[1] = pixel[2] = 8;
          pixel[3] = 255;
        }
      }
    }
  }
  return true;
}
