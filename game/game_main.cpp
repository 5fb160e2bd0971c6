#include "game/game_main.h"

#include "app/frame_end.h"

int32_t GameMain() {
  // The screens of the game come with its media and play code; until then
  // the game shows empty frames until the player ends it.
  for (;;) ShowScreen();
}
