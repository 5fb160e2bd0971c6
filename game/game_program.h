// The game as it hands itself to the runtime.
#pragma once

#include "app/runtime_main.h"
#include "app/sub_table.h"

// The game's table of SUBs that the runtime calls by name
// (game/sub_table.cpp).
extern const SubTableEntry g_gameSubTable[];

// Zivure's project settings, main routine, SUBs, channels-closed hook and
// PlatformInfo texts, for RuntimeSetGame.
const GameProgram& ZivureProgram();
