// The game's table of SUBs that the runtime calls by name. Zivure defines
// none of the runtime's hook SUBs, so the table holds only its closing entry.
#include "game/game_program.h"

const SubTableEntry g_gameSubTable[] = {
    {nullptr, nullptr},
};
