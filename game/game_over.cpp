#include "game/game_over.h"

#include "core/min_max.h"
#include "core/string_commands.h"
#include "devices/sound_voices.h"
#include "game/bitmap_text.h"
#include "game/game_media.h"
#include "game/game_state.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_commands.h"

RtString GameCountText(int32_t n) {
  const RtString text = StringConcat(kCountPrefix, StringFromInt(n));
  return StringMid(text, MaxI(static_cast<int32_t>(text.length) - 3, 0), -1);
}

void GameOverStep() {
  const int32_t c = GameOverCounter;
  if (c == 95) SoundPlay(8, 0.0, 1.0);
  if (c > 99 && BrainFade > -1.0) BrainFade -= 0.003;
  GameOverCounter += 1;
}

void GameOverDraw(int32_t c) {
  GfxSetSmoothing(0);
  if (c < 100) SpriteDrawFrameStretched(kSpriteBrain, 0, 500, 60, 300, 300);
  if (c > 99) {
    SpriteDrawFrameStretched(kSpriteBrain, 1, 500, 60, 300, 300);
    PrintBitmapText(470, 370, StringConcat(kLabelMovesMade, GameCountText(MovesMade)), 3);
    PrintBitmapText(470, 420, StringConcat(kLabelZombsSlain, GameCountText(ZombsSlain)), 3);
    GfxSetBlendMode(BrainFade);
    SpriteDrawFrameStretched(kSpriteBrain, 2, 500, 60, 300, 300);
    GfxSetBlendMode(0);
  }
}
