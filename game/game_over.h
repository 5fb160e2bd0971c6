// The game-over overlay that the play screen shows over its field once the
// hero is caught: the brain picture, then the statistics with a third
// picture fading in, and a crunch at frame 95.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The three-digit count of a number: "00" followed by n in decimal, of
// which the last three characters remain (7 gives "007", 1234 "234").
RtString GameCountText(int32_t n);

// The overlay's rules for one frame: the crunch at frame 95, the fade from
// frame 100 on (by 0.003 a frame while above -1), then GameOverCounter + 1.
void GameOverStep();

// Draws the overlay of the frame whose counter was c on entry: the brain
// before frame 100, then the bitten brain, the statistics and the words
// fading in with BrainFade.
void GameOverDraw(int32_t c);
