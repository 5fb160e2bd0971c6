#include "game/bitmap_text.h"

#include "core/float_to_int.h"
#include "gfx2d/sprite_commands.h"

void PrintBitmapText(int32_t x, int32_t y, const RtString& text, double scale) {
  const int32_t w = TruncToInt32(8 * scale);
  const int32_t h = TruncToInt32(16 * scale);
  for (uint32_t i = 0; i < text.length; ++i) {
    const int32_t code = static_cast<unsigned char>(text.text[i]);
    SpriteDrawFrameStretched(kFontSprite, code - 32, x + w * static_cast<int32_t>(i), y, w, h);
  }
}
