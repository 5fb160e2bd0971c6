// The turn rules of the play screen: the hero, the zombies, the bullets and
// the pickups over the game state, with every decision of a play frame.
// Nothing here draws; the play screen draws the state these rules leave,
// with the notes they keep of what that state no longer shows.
//
// Directions: 1 up, 2 up-right, 3 right, 4 down-right, 5 down, 6 down-left,
// 7 left, 8 up-left; y grows downward.
#pragma once

#include <cstdint>
#include <vector>

// What one play frame's rules saw that the state they leave no longer
// shows. A frame shows each figure as its own update left it, in the order
// of the updates (pickups, hero, zombies, bullets), while the play screen
// draws them all after the rules; these notes close the gap:
// - a zombie that finished rising in the frame still shows the last rows
//   of the rising picture, with its walk frame over them;
// - a bullet that left the field in the frame shows where it went out, in
//   its place among the bullets, before it is gone;
// - pickups dropped by the frame's kills show from the next frame on (the
//   pickups were drawn before the zombies died).
struct PlayFrameNotes {
  // A bullet that left the field: where it went out, and how many bullets
  // of the list as the frame leaves it come before it.
  struct BulletOut {
    double x;
    double y;
    int32_t place;
  };
  std::vector<int32_t> zombiesRisen;  // their places in ZombieList, ascending
  std::vector<BulletOut> bulletsOut;  // in the order they left
  int32_t pickupsDropped = 0;         // the last ones of PickupList
};

// The notes of the last play frame; every play frame and every new game
// starts them afresh.
extern PlayFrameNotes PlayNotes;

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

// One frame of each kind of figure; the zombies and the bullets add to
// PlayNotes.
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
