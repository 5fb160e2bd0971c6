// The array value against the standard library: appending one element at a
// time (the array's capacity grows by 64 elements, the block under it and
// std::vector's by doubling), and sorting doubles with the array sort
// against std::sort.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/array_ops.h"
#include "core/array_sort.h"
#include "core/rt_array.h"
#include "core/rt_string.h"

namespace {

constexpr int32_t kInts = 1000000;
constexpr int32_t kTexts = 100000;
constexpr size_t kDoubles = 1000000;

void BM_AppendInts_RtArray(benchmark::State& state) {
  for (auto _ : state) {
    RtArray<int32_t> a;
    for (int32_t n = 0; n < kInts; ++n) ArrayPush(a, n);
    benchmark::DoNotOptimize(a.data);
  }
}
BENCHMARK(BM_AppendInts_RtArray)->Unit(benchmark::kMillisecond);

void BM_AppendInts_Vector(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int32_t> v;
    for (int32_t n = 0; n < kInts; ++n) v.push_back(n);
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_AppendInts_Vector)->Unit(benchmark::kMillisecond);

void BM_AppendTexts_RtArray(benchmark::State& state) {
  const RtString text("a text of some thirty characters");
  for (auto _ : state) {
    RtArray<RtString> a;
    for (int32_t n = 0; n < kTexts; ++n) ArrayPushString(a, text);
    benchmark::DoNotOptimize(a.data);
  }
}
BENCHMARK(BM_AppendTexts_RtArray)->Unit(benchmark::kMillisecond);

void BM_AppendTexts_Vector(benchmark::State& state) {
  const RtString text("a text of some thirty characters");
  for (auto _ : state) {
    std::vector<RtString> v;
    for (int32_t n = 0; n < kTexts; ++n) v.push_back(text);
    benchmark::DoNotOptimize(v.data());
  }
}
BENCHMARK(BM_AppendTexts_Vector)->Unit(benchmark::kMillisecond);

std::vector<double> RandomDoubles() {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> uniform(-1e6, 1e6);
  std::vector<double> values(kDoubles);
  for (double& v : values) v = uniform(random);
  return values;
}

std::vector<double> SortedDoubles() {
  std::vector<double> values = RandomDoubles();
  std::sort(values.begin(), values.end());
  return values;
}

// The array sort of doubles (ArraySortDouble, the quicksort with its
// comparison inlined) against std::sort.
void SortWith(benchmark::State& state, const std::vector<double>& input, void (*sort)(std::vector<double>&)) {
  std::vector<double> values;
  for (auto _ : state) {
    state.PauseTiming();
    values = input;
    state.ResumeTiming();
    sort(values);
    benchmark::DoNotOptimize(values.data());
  }
}

void ArraySortAll(std::vector<double>& v) { ArraySortDouble(v.data(), v.data() + v.size() - 1); }
void StdSortAll(std::vector<double>& v) { std::sort(v.begin(), v.end()); }

void BM_SortRandomDoubles_ArraySort(benchmark::State& state) { SortWith(state, RandomDoubles(), ArraySortAll); }
BENCHMARK(BM_SortRandomDoubles_ArraySort)->Unit(benchmark::kMillisecond);

void BM_SortRandomDoubles_StdSort(benchmark::State& state) { SortWith(state, RandomDoubles(), StdSortAll); }
BENCHMARK(BM_SortRandomDoubles_StdSort)->Unit(benchmark::kMillisecond);

void BM_SortSortedDoubles_ArraySort(benchmark::State& state) { SortWith(state, SortedDoubles(), ArraySortAll); }
BENCHMARK(BM_SortSortedDoubles_ArraySort)->Unit(benchmark::kMillisecond);

void BM_SortSortedDoubles_StdSort(benchmark::State& state) { SortWith(state, SortedDoubles(), StdSortAll); }
BENCHMARK(BM_SortSortedDoubles_StdSort)->Unit(benchmark::kMillisecond);

}  // namespace
