// Whole play frames: how the hero's actions, the zombies and the bullets
// answer one another from frame to frame.
#include <gtest/gtest.h>

#include "game/play_rules.h"
#include "tests/game/game_fixture.h"

namespace {

class PlayTurnTest : public GameStateTest {
 protected:
  // Points the mouse at the middle of a cell.
  static void MouseOnCell(int32_t cx, int32_t cy) {
    MouseX = cx * 42 + 20;
    MouseY = cy * 42 + 20;
  }
};

TEST_F(PlayTurnTest, MoveMakesTheZombiesStepInTheSameFrame) {
  PlaceHero(10, 8);
  PlaceZombie(5, 8);
  MouseOnCell(11, 8);
  EXPECT_FALSE(GamePlayStep());
  EXPECT_EQ(AimDirection, 3);
  EXPECT_EQ(Zombie(0).x, 5);

  MouseLeft = 1;
  GamePlayStep();
  EXPECT_EQ(Hero().x, 11);
  EXPECT_EQ(Zombie(0).x, 6);
  EXPECT_EQ(TurnCounter, 1);
  // The mouse now points at the hero's own cell: no aim, no second move.
  EXPECT_EQ(AimDirection, 0);
  GamePlayStep();
  EXPECT_EQ(Hero().x, 11);
  EXPECT_EQ(Zombie(0).x, 6);
}

TEST_F(PlayTurnTest, ShotMakesTheZombiesStepOnceItsBulletIsGone) {
  PlaceHero(10, 8);
  PlaceZombie(5, 12);
  Ammo(kPistol) = 12;
  MouseOnCell(11, 8);
  GamePlayStep();
  MouseRight = 1;
  GamePlayStep();
  ASSERT_EQ(BulletList.count, 1);
  MouseRight = 0;
  int32_t frames = 0;
  while (BulletList.count > 0 && frames < 200) {
    EXPECT_EQ(Zombie(0).x, 5) << "frame " << frames;
    GamePlayStep();
    ++frames;
  }
  // It left x 441 in the frame of the shot and went on at 14 pixels a
  // frame to beyond 1280.
  EXPECT_EQ(frames, 59);
  // The zombies step in the frame after.
  EXPECT_EQ(Zombie(0).x, 5);
  GamePlayStep();
  EXPECT_EQ(Zombie(0).x, 6);
  EXPECT_EQ(Zombie(0).y, 11);
  EXPECT_EQ(Ammo(kPistol), 11);
}

TEST_F(PlayTurnTest, EveryThirdTurnBringsTwoZombiesAtTheNextFrame) {
  PlaceHero(10, 8);
  TurnCounter = 2;
  MouseOnCell(11, 8);
  GamePlayStep();
  MouseLeft = 1;
  GamePlayStep();
  EXPECT_EQ(TurnCounter, 3);
  EXPECT_EQ(ZombieList.count, 0);
  MouseLeft = 0;
  GamePlayStep();
  EXPECT_EQ(ZombieList.count, 2);
  EXPECT_EQ(TurnCounter, 0);
}

TEST_F(PlayTurnTest, NoAimWhileAZombieRises) {
  PlaceHero(10, 8);
  PlaceZombie(2, 2, false);
  MouseOnCell(11, 8);
  MouseLeft = 1;
  for (int32_t frame = 0; frame < 39; ++frame) {
    GamePlayStep();
    EXPECT_EQ(AimDirection, 0);
    EXPECT_EQ(Hero().x, 10);
  }
  // The fortieth frame raises it; the aim comes back in the same frame
  // and the hero moves in the next.
  GamePlayStep();
  EXPECT_EQ(AimDirection, 0);
  GamePlayStep();
  EXPECT_EQ(AimDirection, 3);
  GamePlayStep();
  EXPECT_EQ(Hero().x, 11);
}

TEST_F(PlayTurnTest, PanelClicksChooseTheMode) {
  struct Case {
    int32_t x;
    int32_t y;
    int32_t left;
    int32_t before;
    int32_t after;
  };
  const Case cases[] = {
      {10, 20, 1, 1, 0}, {55, 55, 1, 1, 0}, {10, 60, 1, 0, 1}, {0, 99, 1, 0, 1},
      {10, 57, 1, 1, 1}, {56, 30, 1, 1, 1}, {10, 30, 0, 1, 1}, {10, 100, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    PlaceHero(10, 8);
    ClickMode = c.before;
    MouseX = c.x;
    MouseY = c.y;
    MouseLeft = c.left;
    GamePlayStep();
    EXPECT_EQ(ClickMode, c.after) << c.x << "," << c.y;
  }
}

TEST_F(PlayTurnTest, WeaponBeyondTheShotgunFallsBackToThePistol) {
  PlaceHero(10, 8);
  Weapon = 4;
  GamePlayStep();
  EXPECT_EQ(Weapon, kPistol);
}

TEST_F(PlayTurnTest, CaughtHeroCanLeaveAfterAHundredFramesWithTheCoolDownRunOut) {
  PlaceHero(10, 8);
  PlaceZombie(9, 8);
  MouseOnCell(11, 8);
  GamePlayStep();
  MouseLeft = 1;
  // The hero steps away, the zombie follows onto the empty cell beside it.
  GamePlayStep();
  EXPECT_EQ(GameOverCounter, 0);
  // The hero steps back onto the zombie's cell.
  MouseOnCell(10, 8);
  MouseLeft = 0;
  GamePlayStep();
  MouseLeft = 1;
  GamePlayStep();
  ASSERT_EQ(GameOverCounter, 2) << "caught in this frame, then the overlay's first frame";
  EXPECT_EQ(ClickCooldown, 9);
  int32_t frames = 1;
  while (!GamePlayStep()) {
    ++frames;
    ASSERT_LT(frames, 200);
    // The hero cannot act any more.
    EXPECT_EQ(AimDirection, 0);
  }
  EXPECT_EQ(frames + 1, 100);
  EXPECT_EQ(GameOverCounter, 101);
  EXPECT_EQ(MovesMade, 2);
}

}  // namespace
