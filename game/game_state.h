// The game's whole state: the play field, the lists of records, the other
// arrays, the scalar globals and the constant tables, with the routines that
// set them up and reset them.
//
// Scalars are 32-bit integers unless said otherwise; record fields are
// 64-bit floats. Every array access is checked (error 9 ends the program).
#pragma once

#include <cstdint>

#include "core/rt_array.h"
#include "core/rt_string.h"
#include "game/game_records.h"

// The play field, 50 x 40 cells of 42 x 42 pixels (first index x).
inline constexpr int32_t kGridWidth = 50;
inline constexpr int32_t kGridHeight = 40;
inline constexpr int32_t kCellSize = 42;

// Cell values of GameGrid.
inline constexpr int32_t kCellEmpty = 0;
inline constexpr int32_t kCellHero = 1;
inline constexpr int32_t kCellZombie = 5;
inline constexpr int32_t kCellHit = 99;  // dies at its next update
// A zombie steps only into cells below this: empty cells and the hero's.
inline constexpr int32_t kCellWalkable = 2;

// Weapon kinds.
inline constexpr int32_t kPistol = 0;
inline constexpr int32_t kUzi = 1;
inline constexpr int32_t kShotgun = 2;

extern RtArray<int32_t> GameGrid;
extern RtArray<HeroRec> HeroList;
extern RtArray<ZombieRec> ZombieList;
extern RtArray<BulletRec> BulletList;
extern RtArray<PickupRec> PickupList;
extern RtArray<DripRec> DripList;

extern RtArray<int32_t> AmmoCount;  // per weapon kind, 5 elements
extern RtArray<int32_t> AmmoFull;   // refills {12, 15, 6}
// The title screen's ten walking zombies.
extern RtArray<double> WalkerX;
extern RtArray<double> WalkerFacing;
extern RtArray<double> WalkerFrame;
extern RtArray<RtString> StoryLines;  // 20 rows, 0..8 used
extern RtArray<int32_t> DripTableX;   // 40 elements, 38 used
extern RtArray<int32_t> DripTableY;

extern int32_t MouseX;
extern int32_t MouseY;
extern int32_t MouseLeft;
extern int32_t MouseRight;
extern int32_t ClickCooldown;    // frames a click is ignored
extern int32_t Weapon;           // 0..2
extern int32_t ClickMode;        // 0: a left click on a neighbour moves
extern int32_t AimDirection;     // 1..8 toward the cell under the mouse, 0 none
extern int32_t HeroPixelX;       // the hero's cell times 42
extern int32_t HeroPixelY;
extern int32_t TurnCounter;      // turns since the last pair of new zombies
extern int32_t MovesMade;
extern int32_t ZombsSlain;
extern int32_t BulletsInFlight;  // bullets of the last shot not yet retired
extern int32_t ZombieStepFlag;   // the zombies step this frame
extern int32_t RisingFlag;       // a zombie is still rising this frame
extern int32_t GameOverCounter;  // 0 while playing, then frames since the catch
extern int32_t KillsUntilDrop;
extern double BrainFade;         // the game-over fade, 0 down to -1
extern int32_t DripMode;         // which pass of the logo drips to draw

// Ammunition refilled by a pickup, and given at the start of a game.
inline constexpr int32_t kAmmoRefill[3] = {12, 15, 6};
inline constexpr int32_t kAmmoStart[3] = {12, 32, 6};

// The six lines of the intro story, the title's credit line, the
// game-over labels and the prefix of a three-digit count.
extern const char* const kStoryText[6];
extern const char* const kCreditLine;
inline constexpr const char* kLabelMovesMade = "MOVES MADE   ";
inline constexpr const char* kLabelZombsSlain = "ZOMBS SLAIN  ";
inline constexpr const char* kCountPrefix = "00";

// KillsUntilDrop = RND(7), BrainFade = 0.
void GameInitGlobals();

// Empties the zombie, drip, hero, bullet and pickup lists, in that order,
// by deleting element 0 while a list is not empty. The grid stays.
void GameReset();

// Mode 1 (program start): every game array empty. Mode 0 (program exit):
// the storage of every game array freed, the story lines destroyed. Runs
// around the whole program through a static object of the game.
void GameStaticInit(int32_t mode);

// Sets up the arrays at the game's start: the grid 50 x 40, the
// ammunition arrays with the refills, the ten walkers at random, the story
// rows, the drip tables, and KillsUntilDrop and BrainFade again.
void GameSetUpArrays();

// GameGrid(x, y), checked.
inline int32_t& GridAt(int32_t x, int32_t y) { return *ArrayAt2(GameGrid, x, y); }
