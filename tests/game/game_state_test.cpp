#include "game/game_state.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/game/game_fixture.h"

namespace {

using GameStateSetUpTest = GameStateTest;

TEST_F(GameStateSetUpTest, ArraysHaveTheirSizesAndTheRefillsDifferFromTheStart) {
  EXPECT_EQ(GameGrid.d1, 50);
  EXPECT_EQ(GameGrid.d2, 40);
  EXPECT_EQ(AmmoCount.count, 5);
  ASSERT_EQ(AmmoFull.count, 5);
  EXPECT_EQ(AmmoFull.data[0], 12);
  EXPECT_EQ(AmmoFull.data[1], 15);
  EXPECT_EQ(AmmoFull.data[2], 6);
  // A new game's uzi starts with more than a pickup refills.
  EXPECT_GT(kAmmoStart[kUzi], AmmoFull.data[kUzi]);
  EXPECT_EQ(DripTableX.count, 40);
  EXPECT_EQ(DripTableY.count, 40);
}

TEST_F(GameStateSetUpTest, WalkersStartAtRandomWithinTheirRanges) {
  ASSERT_EQ(WalkerX.count, 10);
  bool allSame = true;
  for (int32_t i = 0; i < 10; ++i) {
    EXPECT_GE(WalkerX.data[i], 0);
    EXPECT_LE(WalkerX.data[i], 1260);
    EXPECT_TRUE(WalkerFacing.data[i] == 0 || WalkerFacing.data[i] == 1);
    EXPECT_GE(WalkerFrame.data[i], 0);
    EXPECT_LE(WalkerFrame.data[i], 3);
    allSame = allSame && WalkerX.data[i] == WalkerX.data[0];
  }
  EXPECT_FALSE(allSame);
}

TEST_F(GameStateSetUpTest, StoryRowsHoldTheSixLinesWithBlankRowsBetween) {
  ASSERT_EQ(StoryLines.count, 20);
  const std::string expected[9] = {kStoryText[0], "", kStoryText[1], kStoryText[2], kStoryText[3],
                                   "",            kStoryText[4], "", kStoryText[5]};
  for (int32_t r = 0; r < 9; ++r) EXPECT_EQ(StoryLines.data[r].c_str(), expected[r]) << "row " << r;
  for (int32_t r = 9; r < 20; ++r) EXPECT_TRUE(StoryLines.data[r].empty());
  for (const char* line : kStoryText) {
    EXPECT_FALSE(std::string(line).empty());
    // Printable characters only: each is a frame of the font picture.
    for (const char* c = line; *c != 0; ++c) EXPECT_TRUE(*c >= 32 && *c < 127) << line;
  }
}

TEST_F(GameStateSetUpTest, SetUpDrawsTheKillsUntilDropAgain) {
  RandomSeed(3);
  GameInitGlobals();
  const int32_t first = KillsUntilDrop;
  RandomSeed(3);
  (void)RandomInt(7);
  for (int32_t i = 0; i < 10; ++i) {
    (void)RandomInt(1260);
    (void)RandomInt(1);
    (void)RandomInt(3);
  }
  const int32_t expected = RandomInt(7);
  RandomSeed(3);
  GameInitGlobals();
  BrainFade = -0.5;
  GameSetUpArrays();
  EXPECT_EQ(KillsUntilDrop, expected);
  EXPECT_EQ(BrainFade, 0.0);
  EXPECT_GE(first, 0);
  EXPECT_LE(first, 7);
}

TEST_F(GameStateSetUpTest, ResetEmptiesEveryListAndLeavesTheGrid) {
  PlaceHero(3, 4);
  PlaceZombie(5, 6);
  ArrayPushBullet(BulletList, BulletRec{1, 2, 3, 0, 2});
  ArrayPushPickup(PickupList, PickupRec{1, 1, 2});
  ArrayPushDrip(DripList, DripRec{1, 2, 3, 0, 9});
  GameReset();
  EXPECT_EQ(HeroList.count, 0);
  EXPECT_EQ(ZombieList.count, 0);
  EXPECT_EQ(BulletList.count, 0);
  EXPECT_EQ(PickupList.count, 0);
  EXPECT_EQ(DripList.count, 0);
  EXPECT_EQ(GridAt(3, 4), kCellHero);
  EXPECT_EQ(GridAt(5, 6), kCellZombie);
}

TEST_F(GameStateSetUpTest, StaticTearDownFreesEveryArrayAndStartUpLeavesThemEmpty) {
  PlaceZombie(1, 1);
  GameStaticInit(0);
  EXPECT_EQ(GameGrid.data, nullptr);
  EXPECT_EQ(ZombieList.data, nullptr);
  EXPECT_EQ(StoryLines.data, nullptr);
  EXPECT_EQ(StoryLines.capacity, 0);
  GameSetUpArrays();
  PlaceZombie(1, 1);
  GameStaticInit(1);
  EXPECT_EQ(ZombieList.count, 0);
  EXPECT_EQ(GameGrid.count, 0);
  EXPECT_EQ(StoryLines.count, 0);
}

TEST(GameRecordListTest, DeleteMovesLaterRecordsDownAndCountsNegativeFromTheEnd) {
  RtArray<ZombieRec> list;
  for (int32_t n = 0; n < 4; ++n) ArrayPushEnemy(list, ZombieRec{double(n), 0, 0, 0, 0, 1, 0, 0, 0});
  ArrayDeleteAtEnemy(list, 1);
  ArrayDeleteAtEnemy(list, -1);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.data[0].x, 0);
  EXPECT_EQ(list.data[1].x, 2);
}

}  // namespace
