// The rules of the intro and the title screen.
#include <gtest/gtest.h>

#include "game/title_screen.h"
#include "tests/game/game_fixture.h"

namespace {

using TitleRulesTest = GameStateTest;

TEST_F(TitleRulesTest, IntroIgnoresClicksForAHundredFramesThenLeavesOnTheFirst) {
  IntroState intro;
  GameIntroEnter(intro);
  int32_t frames = 0;
  while (!GameIntroStep(intro, 1)) {
    ++frames;
    ASSERT_LT(frames, 1000);
  }
  EXPECT_EQ(frames, 100);
}

TEST_F(TitleRulesTest, StoryRisesAPixelEverySecondFrameAndStopsAt400) {
  IntroState intro;
  GameIntroEnter(intro);
  EXPECT_EQ(intro.position, 1100);
  GameIntroStep(intro, 0);
  EXPECT_EQ(intro.position, 1100);
  GameIntroStep(intro, 0);
  EXPECT_EQ(intro.position, 1099);
  for (int32_t n = 0; n < 2000; ++n) GameIntroStep(intro, 0);
  EXPECT_EQ(intro.position, 400);
}

TEST_F(TitleRulesTest, TitleEntryEmptiesTheListsAndMakesTheLogoDrips) {
  PlaceHero(3, 3);
  PlaceZombie(4, 4);
  TitleState title;
  title.leave = 1;
  title.firstPass = 1;
  GameTitleEnter(title);
  EXPECT_EQ(HeroList.count, 0);
  EXPECT_EQ(ZombieList.count, 0);
  EXPECT_EQ(ClickCooldown, 30);
  EXPECT_EQ(title.leave, 0);
  EXPECT_EQ(title.firstPass, 0);
  ASSERT_EQ(DripList.count, 38);
  EXPECT_EQ(DripTableX.data[0], 6);
  EXPECT_EQ(DripTableY.data[0], 39);
  EXPECT_EQ(DripTableX.data[37], 138);
  EXPECT_EQ(DripTableY.data[37], 73);
  for (int32_t i = 0; i < 38; ++i) {
    const DripRec& d = DripList.data[i];
    EXPECT_EQ(d.x, DripTableX.data[i]);
    EXPECT_EQ(d.y, DripTableY.data[i]);
    EXPECT_GE(d.delay, 2);
    EXPECT_LE(d.delay, 6);
    EXPECT_GE(d.endY, d.y + 5);
    EXPECT_LE(d.endY, d.y + 20);
    // Inside the 143 x 120 logo.
    EXPECT_LT(d.x, 143);
    EXPECT_LT(d.endY, 120);
  }
}

TEST_F(TitleRulesTest, DripStepsOncePerDelayPlusOneFramesUntilItsEnd) {
  ArrayPushDrip(DripList, DripRec{10, 20, 3, 0, 22});
  const int32_t expectedY[] = {20, 20, 20, 21, 21, 21, 21, 22, 22, 22, 22, 22};
  for (int32_t frame = 0; frame < 12; ++frame) {
    AdvanceBloodDrips();
    EXPECT_EQ(DripList.data[0].y, expectedY[frame]) << "frame " << frame;
  }
}

TEST_F(TitleRulesTest, WalkersStepEveryEighthFrameAndWrapRoundTheEdges) {
  TitleState title;
  WalkerX.data[0] = 100;
  WalkerFacing.data[0] = 0;
  WalkerX.data[1] = -49;
  WalkerFacing.data[1] = 1;
  WalkerX.data[2] = 1259;
  WalkerFacing.data[2] = 0;
  WalkerFrame.data[3] = 3;
  for (int32_t n = 0; n < 7; ++n) StepWalkers(title);
  EXPECT_EQ(WalkerX.data[0], 100);
  StepWalkers(title);
  EXPECT_EQ(title.walkerCounter, 0);
  EXPECT_EQ(WalkerX.data[0], 102);
  EXPECT_EQ(WalkerX.data[1], 1260);
  EXPECT_EQ(WalkerX.data[2], -50);
  EXPECT_EQ(WalkerFrame.data[3], 0);
}

TEST_F(TitleRulesTest, TitleLeavesOnAClickAfterThirtyFrames) {
  TitleState title;
  GameTitleEnter(title);
  MouseLeft = 1;
  int32_t frames = 0;
  while (title.leave == 0) {
    TitleClickStep(title);
    ++frames;
    ASSERT_LT(frames, 100);
  }
  EXPECT_EQ(frames, 31);
}

TEST_F(TitleRulesTest, HintBlinksWithAPeriodOfFortyFrames) {
  TitleState title;
  for (int32_t n = 0; n < 39; ++n) StepHint(title);
  EXPECT_EQ(title.hintCounter, 39);
  StepHint(title);
  EXPECT_EQ(title.hintCounter, 0);
}

}  // namespace
