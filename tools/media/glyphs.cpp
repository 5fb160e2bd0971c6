#include "tools/media/glyphs.h"

#include "gfx2d/font_images.h"
#include "gfx2d/image_buffer.h"

#include <vector>

namespace {

const ImageBuffer& DefaultFont() {
  static ImageBuffer image;
  if (image.pixels == nullptr) ImageDefaultFont(image);
  return image;
}

}  // namespace

GlyphPixel GlyphAt(int code, int px, int py) {
  const ImageBuffer& image = DefaultFont();
  if (image.pixels == nullptr || code < 32 || code > 127 || px < 0 || py < 0 || px > 7 || py > 7) {
    return GlyphPixel::kNone;
  }
  const int x = (code % 16) * 8 + px;
  const int y = (code / 16) * 8 + py;
  const uint8_t* p = image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
  if (p[3] == 0) return GlyphPixel::kNone;
  return p[0] > 128 ? GlyphPixel::kLetter : GlyphPixel::kEdge;
}

void PaintText(Canvas& c, int x, int y, const char* text, int sx, int sy, uint32_t colour, uint32_t edge) {
  for (int i = 0; text[i] != 0; ++i) {
    const int code = static_cast<unsigned char>(text[i]);
    for (int py = 0; py < 8; ++py) {
      for (int px = 0; px < 8; ++px) {
        const GlyphPixel g = GlyphAt(code, px, py);
        const uint32_t paint = g == GlyphPixel::kLetter ? colour : g == GlyphPixel::kEdge ? edge : kKey;
        if (paint != kKey) FillRect(c, x + (i * 8 + px) * sx, y + py * sy, sx, sy, paint);
      }
    }
  }
}

namespace {

// A letter's strokes: polylines in a unit box.
struct StrokeLetter {
  char letter;
  std::vector<std::vector<Point>> strokes;
};

const std::vector<StrokeLetter>& StrokeLetters() {
  static const std::vector<StrokeLetter> letters = {
      {'Z', {{{0, 0}, {1, 0}, {0, 1}, {1, 1}}}},
      {'I', {{{0.5, 0}, {0.5, 1}}, {{0.2, 0}, {0.8, 0}}, {{0.2, 1}, {0.8, 1}}}},
      {'V', {{{0, 0}, {0.5, 1}, {1, 0}}}},
      {'U', {{{0, 0}, {0, 0.75}, {0.25, 1}, {0.75, 1}, {1, 0.75}, {1, 0}}}},
      {'R', {{{0, 1}, {0, 0}, {0.75, 0}, {1, 0.25}, {0.75, 0.5}, {0, 0.5}}, {{0.4, 0.5}, {1, 1}}}},
      {'E', {{{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {{0, 0.5}, {0.7, 0.5}}}},
      {'G', {{{1, 0.15}, {0.8, 0}, {0.2, 0}, {0, 0.2}, {0, 0.8}, {0.2, 1}, {0.8, 1}, {1, 0.8}, {1, 0.55},
              {0.55, 0.55}}}},
      {'A', {{{0, 1}, {0.5, 0}, {1, 1}}, {{0.22, 0.62}, {0.78, 0.62}}}},
      {'M', {{{0, 1}, {0, 0}, {0.5, 0.55}, {1, 0}, {1, 1}}}},
      {'O', {{{0.2, 0}, {0.8, 0}, {1, 0.2}, {1, 0.8}, {0.8, 1}, {0.2, 1}, {0, 0.8}, {0, 0.2}, {0.2, 0}}}},
  };
  return letters;
}

}  // namespace

void PaintStrokeText(Canvas& c, double x, double y, const char* text, double w, double h, double gap,
                     double thickness, uint32_t colour) {
  for (int i = 0; text[i] != 0; ++i) {
    const double ox = x + i * (w + gap);
    for (const StrokeLetter& letter : StrokeLetters()) {
      if (letter.letter != text[i]) continue;
      for (const std::vector<Point>& stroke : letter.strokes) {
        for (size_t k = 1; k < stroke.size(); ++k) {
          const Point a = stroke[k - 1];
          const Point b = stroke[k];
          DrawLine(c, {ox + a.x * w, y + a.y * h}, {ox + b.x * w, y + b.y * h}, thickness, colour);
        }
      }
    }
  }
}
