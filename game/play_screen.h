// The play screen: the field with its figures, the aim cursor, the panel
// with the mode icons and the ammunition, and the game-over overlay.
#pragma once

// One frame of play up to its end: the mouse read, the turn rules of the
// frame applied and the field drawn. True when the player leaves for the
// title screen after this frame.
bool GamePlayFrame();

// Draws the state the frame's rules left, as the frame's updates saw it
// (PlayNotes): the grid, the pickups, the hero with his gun, the zombies
// (rising ones as the visible part of the rising picture), the bullets,
// the cursor, the panel, the ammunition, the game-over overlay and its
// hint.
void GamePlayDraw();

// One game, from its start to the player's click after the game over.
void GamePlayLoop();
