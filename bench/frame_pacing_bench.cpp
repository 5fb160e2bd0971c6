// Frame pacing of the running program at 60 frames a second over 600 empty
// frames under the offscreen video driver: the mean period, the 99th
// percentile of the deviation from 16.67 ms, and the processor time each
// frame costs (the wait sleeps until about 3 ms remain, then polls).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/frame_end.h"
#include "app/runtime_main.h"
#include "app/std_streams.h"
#include "game/project_settings.h"
#include "platform/clock.h"
#include "process/app_globals.h"

namespace {

double CpuMillis() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

void BM_FramePacing60(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("TMPDIR", "/tmp", 0);
  static bool started = false;
  if (!started) {
    ProjectSettings();
    if (AppInit(kShowDefault, AppTitleString()) == 0) {
      state.SkipWithError("no window");
      return;
    }
    started = true;
  }
  constexpr int kFrames = 600;
  const double period = 1000.0 / 60.0;
  for (auto _ : state) {
    std::vector<double> periods;
    periods.reserve(kFrames);
    ShowScreen();
    double last = PlatformMilliseconds();
    const double cpuStart = CpuMillis();
    for (int i = 0; i < kFrames; ++i) {
      ShowScreen();
      const double now = PlatformMilliseconds();
      periods.push_back(now - last);
      last = now;
    }
    const double cpu = CpuMillis() - cpuStart;
    double sum = 0.0;
    std::vector<double> deviations;
    for (double p : periods) {
      sum += p;
      deviations.push_back(std::fabs(p - period));
    }
    std::sort(deviations.begin(), deviations.end());
    state.counters["mean_period_ms"] = sum / kFrames;
    state.counters["p99_deviation_ms"] = deviations[static_cast<size_t>(kFrames * 0.99) - 1];
    state.counters["cpu_ms_per_frame"] = cpu / kFrames;
  }
}
BENCHMARK(BM_FramePacing60)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
