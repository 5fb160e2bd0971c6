#include "game/game_over.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/game/game_fixture.h"

namespace {

TEST(GameCountTextTest, KeepsTheLastThreeDigits) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "000"}, {7, "007"}, {42, "042"}, {999, "999"}, {1234, "234"}, {100000, "000"},
  };
  for (const auto& [n, text] : cases) EXPECT_STREQ(GameCountText(n).c_str(), text) << n;
}

using GameOverStepTest = GameStateTest;

TEST_F(GameOverStepTest, CounterRunsOnAndTheFadeStartsAtFrameHundred) {
  GameOverCounter = 1;
  for (int32_t c = 1; c <= 100; ++c) {
    EXPECT_EQ(BrainFade, 0.0) << c;
    GameOverStep();
  }
  EXPECT_EQ(GameOverCounter, 101);
  EXPECT_NEAR(BrainFade, -0.003, 1e-12);
}

TEST_F(GameOverStepTest, FadeStopsOncePastMinusOne) {
  GameOverCounter = 100;
  int32_t frames = 0;
  while (BrainFade > -1.0) {
    GameOverStep();
    ++frames;
  }
  EXPECT_EQ(frames, 334);
  const double last = BrainFade;
  EXPECT_LT(last, -1.0);
  EXPECT_GT(last, -1.0031);
  for (int32_t n = 0; n < 10; ++n) GameOverStep();
  EXPECT_EQ(BrainFade, last);
}

}  // namespace
