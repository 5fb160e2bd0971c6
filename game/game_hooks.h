// Routines of the game that the runtime calls.
#pragma once

// An empty routine of the game; closing all file channels ends with it.
void GameHookEmpty();
