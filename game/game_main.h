// The game's entry, called by the runtime after start-up.
#pragma once

#include <cstdint>

// Changes into the "Media" folder, sets the 1260 x 714 screen with the
// system pointer shown, sets up the game's arrays, loads the media, draws
// the story screen and runs the screens: the intro, then the title and a
// game in turn. Every loop ends its frames with ShowScreen, and the frame
// end ends the program; GameMain does not return.
int32_t GameMain();
