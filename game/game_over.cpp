#include "game/game_over.h"

#include "core/min_max.h"
#include "core/string_commands.h"
#include "devices/sound_voices.h"
#include "game/game_state.h"

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
