#include "game/play_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/game/game_fixture.h"

namespace {

using PlayRulesTest = GameStateTest;

struct NeighbourCase {
  int32_t dx;
  int32_t dy;
  int32_t direction;
  int32_t cursorFrame;
};

// Every neighbour of the hero: the aim direction, the cursor frame (the
// 3 x 3 layout of the cursor picture) and the step back again.
const NeighbourCase kNeighbours[] = {
    {0, -1, 1, 1}, {1, -1, 2, 2}, {1, 0, 3, 5},  {1, 1, 4, 8},
    {0, 1, 5, 7},  {-1, 1, 6, 6}, {-1, 0, 7, 3}, {-1, -1, 8, 0},
};

TEST_F(PlayRulesTest, AimTableCoversTheEightNeighboursAndNothingElse) {
  PlaceHero(10, 8);
  for (const NeighbourCase& c : kNeighbours) {
    EXPECT_EQ(AimDirectionTo(10 + c.dx, 8 + c.dy), c.direction) << c.dx << "," << c.dy;
    EXPECT_EQ(AimCursorFrame(c.direction), c.cursorFrame);
    EXPECT_EQ(DirectionDx(c.direction), c.dx);
    EXPECT_EQ(DirectionDy(c.direction), c.dy);
  }
  EXPECT_EQ(AimDirectionTo(10, 8), 0);
  EXPECT_EQ(AimDirectionTo(12, 8), 0);
  EXPECT_EQ(AimDirectionTo(9, 6), 0);
}

TEST(DirectionTest, WrapsIntoOneToEight) {
  const int32_t cases[][2] = {{0, 8}, {-3, 8}, {1, 1}, {8, 8}, {9, 1}, {15, 1}};
  for (const auto& c : cases) EXPECT_EQ(WrapDirection(c[0]), c[1]) << c[0];
}

TEST_F(PlayRulesTest, HeroMovesOneCellInTheAimDirectionAndTurnsOnlySideways) {
  for (const NeighbourCase& c : kNeighbours) {
    SetUp();
    PlaceHero(10, 8);
    // The facing the step must change (or, going straight, keep).
    Hero().facing = c.dx < 0 ? 0 : 1;
    const double facingBefore = Hero().facing;
    MouseLeft = 1;
    AimDirection = c.direction;
    UpdateHero();
    EXPECT_EQ(Hero().x, 10 + c.dx);
    EXPECT_EQ(Hero().y, 8 + c.dy);
    const double facing = c.dx > 0 ? 0 : c.dx < 0 ? 1 : facingBefore;
    EXPECT_EQ(Hero().facing, facing) << "direction " << c.direction;
    EXPECT_EQ(GridAt(10, 8), kCellEmpty);
    EXPECT_EQ(GridAt(10 + c.dx, 8 + c.dy), kCellHero);
    EXPECT_EQ(HeroPixelX, (10 + c.dx) * 42);
    EXPECT_EQ(HeroPixelY, (8 + c.dy) * 42);
    EXPECT_EQ(TurnCounter, 1);
    EXPECT_EQ(MovesMade, 1);
    EXPECT_EQ(ZombieStepFlag, 1);
    EXPECT_EQ(AimDirection, 0);
  }
}

TEST_F(PlayRulesTest, HeroStaysWhenTheModeTheGameOverOrTheAimForbidsIt) {
  struct Case {
    int32_t mode;
    int32_t gameOver;
    int32_t aim;
  };
  for (const Case& c : {Case{1, 0, 3}, Case{0, 5, 3}, Case{0, 0, 0}}) {
    SetUp();
    PlaceHero(10, 8);
    MouseLeft = 1;
    ClickMode = c.mode;
    GameOverCounter = c.gameOver;
    AimDirection = c.aim;
    UpdateHero();
    EXPECT_EQ(Hero().x, 10);
    EXPECT_EQ(MovesMade, 0);
    EXPECT_EQ(ZombieStepFlag, 0);
  }
}

TEST_F(PlayRulesTest, HeroStepsOntoAZombieCellWhateverItHeld) {
  PlaceHero(10, 8);
  PlaceZombie(11, 8);
  MouseLeft = 1;
  AimDirection = 3;
  UpdateHero();
  EXPECT_EQ(GridAt(11, 8), kCellHero);
}

struct ShotCase {
  int32_t weapon;
  int32_t ammoBefore;
  int32_t ammoAfter;
  int32_t inFlight;
  // Each bullet: direction and start delay.
  std::vector<std::pair<int32_t, int32_t>> bullets;
};

TEST_F(PlayRulesTest, EachWeaponFiresItsBulletsAndUsesItsAmmunition) {
  const ShotCase cases[] = {
      {kPistol, 12, 11, 1, {{3, 0}}},
      {kUzi, 32, 29, 3, {{3, 0}, {3, 5}, {3, 10}}},
      // The uzi fires all three with fewer left, and the count goes below 0.
      {kUzi, 1, -2, 3, {{3, 0}, {3, 5}, {3, 10}}},
      // The shotgun spreads, and only one of its bullets counts.
      {kShotgun, 6, 5, 1, {{3, 0}, {2, 0}, {4, 0}}},
  };
  for (const ShotCase& c : cases) {
    SetUp();
    PlaceHero(10, 8);
    Hero().facing = 1;
    Weapon = c.weapon;
    Ammo(c.weapon) = c.ammoBefore;
    MouseRight = 1;
    AimDirection = 3;
    UpdateHero();
    EXPECT_EQ(Ammo(c.weapon), c.ammoAfter) << "weapon " << c.weapon;
    EXPECT_EQ(BulletsInFlight, c.inFlight);
    ASSERT_EQ(BulletList.count, static_cast<int32_t>(c.bullets.size()));
    for (int32_t i = 0; i < BulletList.count; ++i) {
      EXPECT_EQ(Bullet(i).x, 10 * 42 + 21);
      EXPECT_EQ(Bullet(i).y, 8 * 42 + 21);
      EXPECT_EQ(Bullet(i).direction, c.bullets[i].first);
      EXPECT_EQ(Bullet(i).delay, c.bullets[i].second);
      EXPECT_EQ(Bullet(i).countdown, 2);
    }
    EXPECT_EQ(Hero().facing, 0);
    EXPECT_EQ(ClickCooldown, 20);
    EXPECT_EQ(TurnCounter, 1);
    EXPECT_EQ(MovesMade, 1);
    EXPECT_EQ(Hero().x, 10);
  }
}

TEST_F(PlayRulesTest, ShotgunSpreadWrapsAroundUp) {
  PlaceHero(10, 8);
  Weapon = kShotgun;
  Ammo(kShotgun) = 6;
  MouseRight = 1;
  AimDirection = 1;
  UpdateHero();
  ASSERT_EQ(BulletList.count, 3);
  EXPECT_EQ(Bullet(1).direction, 8);
  EXPECT_EQ(Bullet(2).direction, 2);
}

TEST_F(PlayRulesTest, ShotFacesLeftFromDirectionFiveOn) {
  for (int32_t d = 1; d <= 8; ++d) {
    SetUp();
    PlaceHero(10, 8);
    Ammo(kPistol) = 12;
    MouseRight = 1;
    AimDirection = d;
    UpdateHero();
    EXPECT_EQ(Hero().facing, d < 5 ? 0 : 1) << d;
  }
}

TEST_F(PlayRulesTest, EmptyWeaponCountsATurnButFiresNothing) {
  PlaceHero(10, 8);
  Ammo(kPistol) = 0;
  BulletsInFlight = 7;
  MouseRight = 1;
  AimDirection = 3;
  UpdateHero();
  EXPECT_EQ(BulletList.count, 0);
  EXPECT_EQ(BulletsInFlight, 7);
  EXPECT_EQ(TurnCounter, 1);
  EXPECT_EQ(MovesMade, 1);
  EXPECT_EQ(ClickCooldown, 20);
  EXPECT_EQ(Ammo(kPistol), 0);
}

TEST_F(PlayRulesTest, NoShotDuringTheCoolDown) {
  PlaceHero(10, 8);
  Ammo(kPistol) = 12;
  ClickCooldown = 3;
  MouseRight = 1;
  AimDirection = 3;
  UpdateHero();
  EXPECT_EQ(BulletList.count, 0);
  EXPECT_EQ(ClickCooldown, 3);
  EXPECT_EQ(MovesMade, 0);
}

TEST_F(PlayRulesTest, WalkAnimationMovesOnEveryTwentyFirstFrame) {
  double counter = 0;
  double frame = 3;
  for (int32_t n = 0; n < 20; ++n) AdvanceWalkAnimation(counter, frame);
  EXPECT_EQ(counter, 20);
  EXPECT_EQ(frame, 3);
  AdvanceWalkAnimation(counter, frame);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(frame, 0);
}

TEST_F(PlayRulesTest, SpawnedHeroStandsNearTheMiddle) {
  for (int32_t seed = 0; seed < 20; ++seed) {
    SetUp();
    RandomSeed(seed);
    SpawnHero();
    ASSERT_EQ(HeroList.count, 1);
    const HeroRec h = Hero();
    EXPECT_GE(h.x, 10);
    EXPECT_LE(h.x, 20);
    EXPECT_GE(h.y, 5);
    EXPECT_LE(h.y, 10);
    EXPECT_EQ(GridAt(int32_t(h.x), int32_t(h.y)), kCellHero);
    EXPECT_EQ(h.facing, 0);
  }
}

TEST_F(PlayRulesTest, SpawnedZombieTakesAnEmptyCellAndLeavesItEmpty) {
  // Fill the visible field: the zombie must come from the wider second draw.
  for (int32_t x = 0; x <= 29; ++x) {
    for (int32_t y = 0; y <= 16; ++y) GridAt(x, y) = kCellZombie;
  }
  SpawnZombie();
  ASSERT_EQ(ZombieList.count, 1);
  const ZombieRec z = Zombie(0);
  EXPECT_TRUE(z.x > 29 || z.y > 16);
  EXPECT_LE(z.x, 40);
  EXPECT_LE(z.y, 30);
  EXPECT_EQ(GridAt(int32_t(z.x), int32_t(z.y)), kCellEmpty);
  EXPECT_EQ(z.placed, 1);
  EXPECT_EQ(z.risen, 0);
  EXPECT_EQ(z.rise, 0);
  EXPECT_GE(z.animFrame, 0);
  EXPECT_LE(z.animFrame, 3);
}

TEST_F(PlayRulesTest, NoZombieOnAFullFieldInsteadOfSearchingForever) {
  for (int32_t x = 0; x <= 40; ++x) {
    for (int32_t y = 0; y <= 30; ++y) GridAt(x, y) = kCellZombie;
  }
  SpawnZombie();
  EXPECT_EQ(ZombieList.count, 0);
  // One free cell is found.
  GridAt(40, 30) = kCellEmpty;
  SpawnZombie();
  ASSERT_EQ(ZombieList.count, 1);
  EXPECT_EQ(Zombie(0).x, 40);
  EXPECT_EQ(Zombie(0).y, 30);
}

TEST_F(PlayRulesTest, PickupOnTheHeroCellArmsTheHeroAndGoes) {
  PlaceHero(10, 8);
  ArrayPushPickup(PickupList, PickupRec{10, 8, kUzi});
  ArrayPushPickup(PickupList, PickupRec{10, 8, kShotgun});
  ArrayPushPickup(PickupList, PickupRec{11, 8, kPistol});
  Ammo(kUzi) = 0;
  Ammo(kShotgun) = 1;
  UpdatePickups();
  // Both pickups on the cell are taken in list order; the last one wins.
  EXPECT_EQ(Weapon, kShotgun);
  EXPECT_EQ(Ammo(kUzi), 15);
  EXPECT_EQ(Ammo(kShotgun), 6);
  ASSERT_EQ(PickupList.count, 1);
  EXPECT_EQ(PickupList.data[0].x, 11);
}

TEST_F(PlayRulesTest, NewGameClearsItsSquareAndDealsTheStartingHand) {
  GridAt(30, 30) = kCellZombie;
  GridAt(31, 5) = kCellZombie;
  GridAt(5, 31) = kCellHit;
  Weapon = kShotgun;
  MovesMade = 9;
  ZombsSlain = 4;
  GameOverCounter = 300;
  TurnCounter = 2;
  ClickMode = 1;
  GamePlayEnter();
  EXPECT_EQ(GridAt(30, 30), kCellEmpty);
  EXPECT_EQ(GridAt(31, 5), kCellZombie);
  EXPECT_EQ(GridAt(5, 31), kCellHit);
  EXPECT_EQ(MovesMade, 0);
  EXPECT_EQ(ZombsSlain, 0);
  EXPECT_EQ(GameOverCounter, 0);
  EXPECT_EQ(HeroList.count, 1);
  EXPECT_EQ(ZombieList.count, 8);
  EXPECT_EQ(Weapon, kPistol);
  EXPECT_EQ(Ammo(kPistol), 12);
  EXPECT_EQ(Ammo(kUzi), 32);
  EXPECT_EQ(Ammo(kShotgun), 6);
  EXPECT_EQ(TurnCounter, 2);
  EXPECT_EQ(ClickMode, 1);
}

}  // namespace
