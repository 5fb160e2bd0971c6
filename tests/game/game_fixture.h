// A fresh game state for the rule tests: the arrays set up as the game's
// start sets them, every list empty, every scalar 0, and the random
// generator seeded so that RND repeats.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "core/isaac.h"
#include "game/game_state.h"

class GameStateTest : public testing::Test {
 protected:
  void SetUp() override {
    RandomSeed(1);
    GameSetUpArrays();
    GameReset();
    for (int32_t* scalar : {&MouseX, &MouseY, &MouseLeft, &MouseRight, &ClickCooldown, &Weapon, &ClickMode,
                            &AimDirection, &HeroPixelX, &HeroPixelY, &TurnCounter, &MovesMade, &ZombsSlain,
                            &BulletsInFlight, &ZombieStepFlag, &RisingFlag, &GameOverCounter, &KillsUntilDrop,
                            &DripMode}) {
      *scalar = 0;
    }
    BrainFade = 0.0;
    KillsUntilDrop = 5;
  }

  // Puts the hero on the cell, as a spawn and a frame's hero update leave
  // it.
  static void PlaceHero(int32_t x, int32_t y) {
    ArrayPushSpawn(HeroList, HeroRec{double(x), double(y), 0, 0, 0, 0, 0});
    GridAt(x, y) = kCellHero;
    HeroPixelX = x * kCellSize;
    HeroPixelY = y * kCellSize;
  }

  // A zombie on the cell, risen (grid 5) or just placed (grid untouched).
  static void PlaceZombie(int32_t x, int32_t y, bool risen = true) {
    ArrayPushEnemy(ZombieList, ZombieRec{double(x), double(y), 0, 0, 0, 1, risen ? 40.0 : 0.0, risen ? 1.0 : 0.0, 0});
    if (risen) GridAt(x, y) = kCellZombie;
  }

  static HeroRec& Hero() { return *ArrayAt(HeroList, 0, 0, 0, 0); }
  static ZombieRec& Zombie(int32_t i) { return *ArrayAt(ZombieList, i, 0, 0, 0); }
  static BulletRec& Bullet(int32_t i) { return *ArrayAt(BulletList, i, 0, 0, 0); }
  static int32_t& Ammo(int32_t kind) { return *ArrayAt(AmmoCount, kind, 0, 0, 0); }
};
