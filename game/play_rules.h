// The turn rules of the play screen: the hero, the zombies, the bullets and
// the pickups over the game state, with every decision of a play frame.
// Nothing here draws; the play screen draws the state these rules leave.
//
// Directions: 1 up, 2 up-right, 3 right, 4 down-right, 5 down, 6 down-left,
// 7 left, 8 up-left; y grows downward.
#pragma once

#include <cstdint>

// A direction wrapped into 1..8: below 1 becomes 8, above 8 becomes 1.
int32_t WrapDirection(int32_t direction);

// The step of a direction 1..8, in cells (or units of 14 pixels).
int32_t DirectionDx(int32_t direction);
int32_t DirectionDy(int32_t direction);

// The frame of the aim cursor for an aim direction 1..8.
int32_t AimCursorFrame(int32_t direction);

// The aim direction from the hero's cell to the cell (cx, cy): 1..8 when it
// is one of the eight neighbours, else 0.
int32_t AimDirectionTo(int32_t cx, int32_t cy);

// Appends the hero on a random cell near the middle of the field.
void SpawnHero();
// Appends a zombie on a random empty cell. On a field with no empty cell
// in columns 0..40 and rows 0..30 no zombie is added.
void SpawnZombie();
// Appends a bullet {x, y, direction wrapped, start delay, countdown 2}.
void PushBullet(double x, double y, int32_t direction, double delay);
// Appends a pickup of a random weapon kind on the cell.
void PushPickup(double x, double y);

// Starts a game: clears the cells 0..30 x 0..30, zeroes the statistics,
// spawns the hero and eight zombies, gives the pistol and the starting
// ammunition.
void GamePlayEnter();

// One frame of each kind of figure.
void UpdatePickups();
void UpdateHero();
void UpdateZombies();
void UpdateBullets();

// Every rule of one play frame over the mouse globals as read for it:
// new zombies every third turn, pickups, the hero, the zombies, the
// bullets, the aim, the panel mode, the click cool-down and the game-over
// counter. Answers true when the player leaves for the title screen.
bool GamePlayStep();

// The walk animation: the counter runs to 20, then the frame moves on
// (0..3).
void AdvanceWalkAnimation(double& counter, double& frame);
