// The game's compiled-in configuration and project texts.
#pragma once

#include "core/rt_string.h"

// Sets the project settings and the title before start-up opens the window:
// 640 x 480 windowed, 60 frames a second, exclusive mouse, debug mode off,
// no multisampling, title "Zivure".
void ProjectSettings();

// The build date and time, "May 16 2014-16:16:13".
RtString ProjectCompiledText();
// The host id compiled into the game, "3c7d19e4".
RtString ProjectHostId();
// The game's version, "000.001".
RtString ProjectVersion();
