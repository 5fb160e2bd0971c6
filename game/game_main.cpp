#include "game/game_main.h"

#include "app/screen_mode.h"
#include "devices/mouse.h"
#include "files/file_system.h"
#include "game/game_media.h"
#include "game/game_state.h"
#include "game/play_screen.h"
#include "game/title_screen.h"

int32_t GameMain() {
  GameInitGlobals();
  RtString media = "Media";
  DirSetCurrent(media);
  SetScreen(1260, 714, 0);
  SystemPointer(1.0);
  GameSetUpArrays();
  GameLoadMedia();
  GameDrawStoryScreen();

  // The screens follow one another from here: the intro once, then the
  // title and a game in turn. Each returns when the player leaves it, so
  // the call depth stays the same from game to game.
  GameIntro();
  for (;;) {
    GameTitleLoop();
    GamePlayLoop();
  }
}
