#include "game/game_program.h"

#include "game/game_hooks.h"
#include "game/game_main.h"
#include "game/project_settings.h"

const GameProgram& ZivureProgram() {
  static const GameProgram program = {
      ProjectSettings, GameMain, g_gameSubTable, GameHookEmpty, ProjectCompiledText, ProjectHostId, ProjectVersion,
  };
  return program;
}
