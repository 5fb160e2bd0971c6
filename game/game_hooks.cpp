#include "game/game_hooks.h"

void GameHookEmpty() {}
