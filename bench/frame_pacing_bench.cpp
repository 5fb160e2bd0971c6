// The frame wait at 60 frames a second over 600 empty frames: the mean
// period, the 99th-percentile deviation from the slot, and the CPU time the
// wait burns per frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "app/timer.h"
#include "gfx2d/frame_pacing.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/clock.h"

namespace {

int NoMessages(void (*)()) { return 1; }

double CpuMillis() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

void BM_FrameWait60(benchmark::State& state) {
  constexpr int kFrames = 600;
  const FrameWaitCalls calls = {NoMessages, TimerGetMillis, PlatformSleep};
  TimerInit();  // the high-resolution clock, as start-up has it
  for (auto _ : state) {
    OpenGLDodevudi engine;
    LimitFps(engine, 60, 0);
    engine.nextFrameTime = TimerGetMillis();
    std::vector<double> ends;
    std::vector<double> deviations;
    ends.reserve(kFrames);
    const double cpuStart = CpuMillis();
    for (int i = 0; i < kFrames; ++i) {
      const double slot = engine.nextFrameTime;
      FrameWait(engine, nullptr, calls);
      const double now = TimerGetMillis();
      ends.push_back(now);
      deviations.push_back(std::fabs(now - slot));
    }
    const double cpu = CpuMillis() - cpuStart;
    std::sort(deviations.begin(), deviations.end());
    state.counters["mean_period_ms"] = (ends.back() - ends.front()) / (kFrames - 1);
    state.counters["p99_deviation_ms"] = deviations[kFrames * 99 / 100];
    state.counters["cpu_ms_per_frame"] = cpu / kFrames;
  }
}
BENCHMARK(BM_FrameWait60)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
