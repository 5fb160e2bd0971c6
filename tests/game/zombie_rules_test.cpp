// The zombies' and the bullets' rules.
#include <gtest/gtest.h>

#include "game/play_rules.h"
#include "tests/game/game_fixture.h"

namespace {

using ZombieRulesTest = GameStateTest;

struct StepCase {
  int32_t zx;
  int32_t zy;
  int32_t toX;
  int32_t toY;
  double facing;
};

TEST_F(ZombieRulesTest, ZombieStepsOneCellTowardTheHeroInEachAxis) {
  const StepCase cases[] = {
      {5, 8, 6, 8, 0},    // left of the hero: right
      {15, 8, 14, 8, 1},  // right of it: left
      {10, 3, 10, 4, 1},  // above, same column: down (faces left when level)
      {10, 12, 10, 11, 1},
      {4, 2, 5, 3, 0},    // diagonal
      {16, 14, 15, 13, 1},
      {9, 8, 10, 8, 0},   // onto the hero's cell
  };
  for (const StepCase& c : cases) {
    SetUp();
    PlaceHero(10, 8);
    PlaceZombie(c.zx, c.zy);
    ZombieStepFlag = 1;
    UpdateZombies();
    ASSERT_EQ(ZombieList.count, 1);
    EXPECT_EQ(Zombie(0).x, c.toX) << c.zx << "," << c.zy;
    EXPECT_EQ(Zombie(0).y, c.toY) << c.zx << "," << c.zy;
    EXPECT_EQ(Zombie(0).facing, c.facing) << c.zx << "," << c.zy;
    EXPECT_EQ(GridAt(c.toX, c.toY), kCellZombie);
    if (c.toX != c.zx || c.toY != c.zy) {
      EXPECT_EQ(GridAt(c.zx, c.zy), kCellEmpty);
    }
  }
}

TEST_F(ZombieRulesTest, ZombieStaysWithoutTheStepFlagAndAroundBlockedCells) {
  PlaceHero(10, 8);
  PlaceZombie(5, 5);
  UpdateZombies();
  EXPECT_EQ(Zombie(0).x, 5);
  EXPECT_EQ(Zombie(0).y, 5);

  // Blocked to the right by another zombie: it steps down only.
  GridAt(6, 5) = kCellZombie;
  ZombieStepFlag = 1;
  UpdateZombies();
  EXPECT_EQ(Zombie(0).x, 5);
  EXPECT_EQ(Zombie(0).y, 6);
}

TEST_F(ZombieRulesTest, RisingTakesFortyFramesAndThenFillsTheCell) {
  PlaceHero(10, 8);
  PlaceZombie(3, 3, false);
  for (int32_t frame = 1; frame < 40; ++frame) {
    RisingFlag = 0;
    UpdateZombies();
    EXPECT_EQ(RisingFlag, 1);
    EXPECT_EQ(Zombie(0).rise, frame);
    EXPECT_EQ(GridAt(3, 3), kCellEmpty) << "a rising zombie leaves its cell empty";
  }
  RisingFlag = 0;
  UpdateZombies();
  EXPECT_EQ(RisingFlag, 1);
  EXPECT_EQ(Zombie(0).risen, 1);
  EXPECT_EQ(GridAt(3, 3), kCellZombie);
  RisingFlag = 0;
  UpdateZombies();
  EXPECT_EQ(RisingFlag, 0);
}

TEST_F(ZombieRulesTest, HitZombieDiesAtItsUpdateAndMayDropAPickup) {
  PlaceHero(10, 8);
  PlaceZombie(3, 3);
  PlaceZombie(4, 4);
  PlaceZombie(5, 5);
  GridAt(3, 3) = kCellHit;
  GridAt(4, 4) = kCellHit;
  KillsUntilDrop = 2;
  UpdateZombies();
  ASSERT_EQ(ZombieList.count, 1);
  EXPECT_EQ(Zombie(0).x, 5);
  EXPECT_EQ(ZombsSlain, 2);
  EXPECT_EQ(GridAt(3, 3), kCellEmpty);
  EXPECT_EQ(GridAt(4, 4), kCellEmpty);
  // The second kill took the count below 1: a pickup where it died.
  ASSERT_EQ(PickupList.count, 1);
  EXPECT_EQ(PickupList.data[0].x, 4);
  EXPECT_EQ(PickupList.data[0].y, 4);
  EXPECT_GE(PickupList.data[0].kind, 0);
  EXPECT_LE(PickupList.data[0].kind, 2);
  EXPECT_GE(KillsUntilDrop, 0);
  EXPECT_LE(KillsUntilDrop, 7);
}

TEST_F(ZombieRulesTest, ZombieOnTheHeroCellCatchesTheHero) {
  PlaceHero(10, 8);
  PlaceZombie(10, 8);  // the zombie's 5 over the hero's 1
  BrainFade = -0.4;
  UpdateZombies();
  EXPECT_EQ(GameOverCounter, 1);
  EXPECT_EQ(ClickCooldown, 10);
  EXPECT_EQ(BrainFade, 0.0);
  // Once caught, the same pixel position does not catch again.
  GameOverCounter = 7;
  UpdateZombies();
  EXPECT_EQ(GameOverCounter, 7);
}

TEST_F(ZombieRulesTest, HeroCellValueUnderARisingZombieCatchesEveryFrame) {
  PlaceHero(10, 8);
  PlaceZombie(10, 8, false);
  GridAt(10, 8) = kCellHero;
  GameOverCounter = 7;
  UpdateZombies();
  EXPECT_EQ(GameOverCounter, 1);
}

using BulletRulesTest = GameStateTest;

TEST_F(BulletRulesTest, BulletFlies14PixelsAFrameAndTestsItsCellEverySecondFrame) {
  PushBullet(100 + 21, 100 + 21, 3, 0);
  BulletsInFlight = 1;
  UpdateBullets();
  EXPECT_EQ(Bullet(0).x, 135);
  EXPECT_EQ(Bullet(0).countdown, 1);
  UpdateBullets();
  EXPECT_EQ(Bullet(0).x, 149);
  EXPECT_EQ(Bullet(0).countdown, 2);

  // A zombie in its cell is found only at the next test, two frames on.
  GridAt(3, 2) = kCellZombie;
  UpdateBullets();
  EXPECT_EQ(BulletList.count, 1);
  EXPECT_EQ(Bullet(0).x, 163);
  UpdateBullets();
  EXPECT_EQ(BulletList.count, 0);
  EXPECT_EQ(GridAt(3, 2), kCellHit);
}

TEST_F(BulletRulesTest, HitMarksTheCellAndTheLastBulletLetsTheZombiesStep) {
  GridAt(4, 2) = kCellZombie;
  PushBullet(4 * 42 + 7, 2 * 42 + 7, 3, 0);
  Bullet(0).countdown = 1;
  BulletsInFlight = 1;
  UpdateBullets();
  EXPECT_EQ(BulletList.count, 0);
  EXPECT_EQ(GridAt(4, 2), kCellHit);
  EXPECT_EQ(BulletsInFlight, 0);
  EXPECT_EQ(ZombieStepFlag, 1);
}

TEST_F(BulletRulesTest, DelayedBulletsWaitAtTheStart) {
  PushBullet(200, 200, 5, 5);
  for (int32_t n = 0; n < 4; ++n) UpdateBullets();
  EXPECT_EQ(Bullet(0).y, 200);
  EXPECT_EQ(Bullet(0).delay, 1);
  EXPECT_EQ(Bullet(0).countdown, 2);
  UpdateBullets();
  EXPECT_EQ(Bullet(0).delay, 0);
  EXPECT_EQ(Bullet(0).countdown, 1);
  EXPECT_EQ(Bullet(0).y, 214);
}

TEST_F(BulletRulesTest, BulletsLeavingTheFieldAreRetiredOnEverySide) {
  struct Case {
    double x;
    double y;
    int32_t direction;
    int32_t frames;
  };
  // Flights to each edge, from the cells nearest to it.
  const Case cases[] = {{21, 21, 1, 5}, {21, 21, 7, 5}, {1239, 21, 3, 3}, {21, 693, 5, 8}, {21, 21, 8, 5}};
  for (const Case& c : cases) {
    SetUp();
    PushBullet(c.x, c.y, c.direction, 0);
    BulletsInFlight = 1;
    int32_t frames = 0;
    while (BulletList.count > 0 && frames < 200) {
      UpdateBullets();
      ++frames;
    }
    EXPECT_EQ(frames, c.frames) << c.direction;
    EXPECT_EQ(ZombieStepFlag, 1);
  }
}

TEST_F(BulletRulesTest, OnlyTheCountedBulletsLetTheZombiesStep) {
  // The shotgun counts one of its three bullets.
  PushBullet(21, 21, 1, 0);
  PushBullet(21, 21, 8, 0);
  PushBullet(21, 21, 2, 0);
  BulletsInFlight = 1;
  for (int32_t n = 0; n < 10; ++n) {
    ZombieStepFlag = 0;
    UpdateBullets();
    if (ZombieStepFlag == 1) break;
  }
  EXPECT_EQ(ZombieStepFlag, 1);
  EXPECT_EQ(BulletsInFlight, -2);
}

}  // namespace
