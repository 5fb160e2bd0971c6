// RND against a standard generator, 10^7 draws each.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "core/isaac.h"

namespace {

constexpr int kDraws = 10'000'000;

void BM_RandomInt(benchmark::State& state) {
  RandomSeed(12345);
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int i = 0; i < kDraws; ++i) sum += static_cast<uint32_t>(RandomInt(99));
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_RandomInt)->Unit(benchmark::kMillisecond);

void BM_Mt19937(benchmark::State& state) {
  std::mt19937 engine(12345);
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int i = 0; i < kDraws; ++i) sum += static_cast<uint32_t>(engine() % 100u);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_Mt19937)->Unit(benchmark::kMillisecond);

}  // namespace
