// The game's entry, called by the runtime after start-up.
#pragma once

#include <cstdint>

// Runs the game's screens; every loop ends its frames with ShowScreen, and
// the frame end ends the program.
int32_t GameMain();
