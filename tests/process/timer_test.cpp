#include "process/timer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "process/app_globals.h"

namespace {

class TimerTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_timerClock;
    g_timerClock = {0, 0.0, 0.0, false};
  }
  void TearDown() override {
    g_timerClock = saved_;
    g_app.startTime = 0.0;
    g_app.frameTime = 0.0;
    g_app.previousFrameTime = 0.0;
  }
  TimerClock saved_{};
};

TEST_F(TimerTest, FirstReadingIsZeroAndLaterReadingsCountFromIt) {
  TimerInit();
  EXPECT_EQ(g_timerClock.useCounter, 1);
  EXPECT_GT(g_timerClock.frequency, 0.0);
  EXPECT_EQ(TimerGetMillis(), 0.0);
  SleepMillis(30);
  const double later = TimerGetMillis();
  EXPECT_GE(later, 30.0);
  EXPECT_LT(later, 30000.0);
}

TEST_F(TimerTest, CounterReadingsHaveFractionsTickReadingsAreWhole) {
  TimerInit();
  TimerGetMillis();
  bool fraction = false;
  for (int i = 0; i < 50 && !fraction; ++i) {
    const double t = TimerGetMillis();
    fraction = t != std::floor(t);
  }
  EXPECT_TRUE(fraction);

  g_timerClock = {0, 0.0, 0.0, false};  // no counter: the tick path
  for (int i = 0; i < 50; ++i) {
    const double t = TimerGetMillis();
    EXPECT_EQ(t, std::floor(t));
  }
}

TEST_F(TimerTest, GameMillisCountFromTheStartTime) {
  TimerInit();
  TimerGetMillis();
  SleepMillis(5);
  g_app.startTime = TimerGetMillis();
  const double game = TimerGetGameMillis();
  EXPECT_GE(game, 0.0);
  EXPECT_LT(game, 5000.0);
  g_app.startTime = 0.0;  // before start-up: the same as TimerGetMillis
  EXPECT_GE(TimerGetGameMillis(), 5.0);
}

TEST_F(TimerTest, FrameDurationIsThePositiveDifferenceElseOne) {
  struct Case {
    double previous;
    double current;
    double duration;
  };
  for (const Case& c : {Case{100.0, 100.0, 1.0}, Case{100.0, 116.7, 116.7 - 100.0}, Case{0.0, 0.0, 1.0},
                        Case{50.0, 40.0, 1.0}, Case{0.0, 0.25, 0.25}}) {
    g_app.previousFrameTime = c.previous;
    g_app.frameTime = c.current;
    EXPECT_DOUBLE_EQ(FrameDuration(), c.duration) << c.previous << " -> " << c.current;
  }
}

}  // namespace
