// Frame pacing with an injected clock, sleep and message pump.
#include "gfx2d/frame_pacing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx2d/opengl_dodevudi.h"

namespace {

// A scripted clock: each reading returns the next time; sleeps and pumps
// are recorded.
struct FakeClock {
  std::vector<double> readings;
  size_t next = 0;
  std::vector<double> sleeps;
  int pumps = 0;
  int pumpResult = 1;
};
FakeClock* g_clock = nullptr;

int FakePump(void (*)()) {
  ++g_clock->pumps;
  return g_clock->pumpResult;
}
double FakeNow() {
  const size_t i = g_clock->next < g_clock->readings.size() ? g_clock->next++ : g_clock->readings.size() - 1;
  return g_clock->readings[i];
}
void FakeSleep(double ms) { g_clock->sleeps.push_back(ms); }

constexpr FrameWaitCalls kFake = {FakePump, FakeNow, FakeSleep};

class FramePacingTest : public testing::Test {
 protected:
  void SetUp() override { g_clock = &clock_; }
  void TearDown() override { g_clock = nullptr; }
  FakeClock clock_;
  OpenGLDodevudi engine_;
};

TEST(FrameNextSlotTest, LateFramesDropAtMostOneSlotThenRestartFromNow) {
  const double n = 1000.0;
  const double p = 20.0;
  const struct {
    double now;
    double expected;
  } cases[] = {
      {n + 0.5 * p, n + p},          // on time
      {n + p, n + p},                // exactly at the next slot: not late
      {n + 1.5 * p, n + 2 * p},      // one slot dropped
      {n + 2.5 * p, n + 3.5 * p},    // a stall: now + period
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(FrameNextSlot(n, p, c.now), c.expected) << c.now;
  EXPECT_DOUBLE_EQ(FrameNextSlot(n, 0.0, n + 500.0), n);
  EXPECT_DOUBLE_EQ(FrameNextSlot(n, -3.0, n + 500.0), n);
}

TEST_F(FramePacingTest, LimitFpsSetsThePeriod) {
  const struct {
    int fps;
    double period;
  } cases[] = {{60, 1000.0 / 60}, {1, 1000.0}, {0, 2.0}, {-5, 2.0}, {1000, 1.0}};
  for (const auto& c : cases) {
    LimitFps(engine_, c.fps, 0);
    EXPECT_DOUBLE_EQ(engine_.framePeriod, c.period) << c.fps;
  }
}

TEST_F(FramePacingTest, SleepsWhileMoreThanSevenMillisecondsAreLeftThenSpins) {
  engine_.nextFrameTime = 100.0;
  engine_.framePeriod = 16.0;
  // 80: 20 left, sleep 17; 97.5: 2.5 left, spin; 99.5: 0.5 left, done.
  clock_.readings = {80.0, 97.5, 99.5};
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
  ASSERT_EQ(clock_.sleeps.size(), 1u);
  EXPECT_DOUBLE_EQ(clock_.sleeps[0], 17.0);
  EXPECT_EQ(clock_.pumps, 3);
  EXPECT_DOUBLE_EQ(engine_.nextFrameTime, 116.0);
}

TEST_F(FramePacingTest, SleepIsTruncatedAndTheBoundariesAreStrict) {
  engine_.nextFrameTime = 100.0;
  engine_.framePeriod = 10.0;
  // 7.0 left spins (no sleep); 1.0 left ends.
  clock_.readings = {93.0, 99.0};
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_EQ(clock_.pumps, 2);

  // 12.75 left: sleeps 9 (9.75 truncated).
  g_clock->readings = {97.25, 109.5};
  g_clock->next = 0;
  engine_.nextFrameTime = 110.0;
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
  ASSERT_EQ(clock_.sleeps.size(), 1u);
  EXPECT_DOUBLE_EQ(clock_.sleeps[0], 9.0);
}

TEST_F(FramePacingTest, PumpFailureEndsAtOnceWithoutAdvancingTheSlot) {
  engine_.nextFrameTime = 100.0;
  engine_.framePeriod = 10.0;
  clock_.readings = {50.0};
  clock_.pumpResult = 0;
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 0);
  EXPECT_EQ(clock_.pumps, 1);
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_DOUBLE_EQ(engine_.nextFrameTime, 100.0);
}

// A frame that only advances the slot leaves the next frame to wait for
// the same time, so the frame times after it are unchanged.
TEST_F(FramePacingTest, AdvancingWithoutWaitingKeepsTheFrameTimesAfterIt) {
  const double doneAt[] = {85.0, 99.5, 103.0, 140.0};  // when the frame is swapped
  for (const double done : doneAt) {
    engine_.framePeriod = 16.0;
    // Waiting: the frame waits for its slot, then advances it.
    engine_.nextFrameTime = 100.0;
    clock_ = FakeClock();
    clock_.readings = {done, std::max(done, 99.5)};
    EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
    const double waitedSlot = engine_.nextFrameTime;
    // Advancing: no sleep, one pump, the same next slot.
    engine_.nextFrameTime = 100.0;
    clock_ = FakeClock();
    clock_.readings = {done};
    EXPECT_EQ(FrameAdvance(engine_, nullptr, kFake), 1);
    EXPECT_TRUE(clock_.sleeps.empty());
    EXPECT_EQ(clock_.pumps, 1);
    EXPECT_DOUBLE_EQ(engine_.nextFrameTime, waitedSlot) << done;
  }
  engine_.nextFrameTime = 100.0;
  clock_ = FakeClock();
  clock_.readings = {50.0};
  clock_.pumpResult = 0;
  EXPECT_EQ(FrameAdvance(engine_, nullptr, kFake), 0);
  EXPECT_DOUBLE_EQ(engine_.nextFrameTime, 100.0);
}

TEST_F(FramePacingTest, ZeroPeriodNeverWaitsAfterTheFirstFrame) {
  engine_.nextFrameTime = 10.0;
  engine_.framePeriod = 0.0;
  clock_.readings = {20.0, 30.0};
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
  EXPECT_EQ(FrameWait(engine_, nullptr, kFake), 1);
  EXPECT_EQ(clock_.pumps, 2);
  EXPECT_DOUBLE_EQ(engine_.nextFrameTime, 10.0);
}

}  // namespace
