// The array value against the standard library: appending one element at a
// time (the array's capacity grows by 64 elements, the block under it and
// std::vector's by doubling), sorting doubles with the array sort against
// std::sort, and sorting texts (ArraySort in byte order) against std::sort
// of the same texts as std::string, in turns, as a ratio.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
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

constexpr size_t kSortTexts = 200000;

// Random texts of 6 to 24 lower-case letters.
std::vector<std::string> RandomTexts() {
  std::mt19937 random(2024);
  std::vector<std::string> texts(kSortTexts);
  for (std::string& t : texts) {
    t.resize(6 + random() % 19);
    for (char& c : t) c = static_cast<char>('a' + random() % 26);
  }
  return texts;
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One round sorts fresh copies of the same texts both ways, in turns (the
// one that goes first alternates), and notes the array sort's time over
// std::sort's. The counters are the medians of the times and of the
// rounds' ratios, with the lowest and the highest ratio.
void BM_SortRandomTexts_ArraySortAgainstStdSort(benchmark::State& state) {
  const std::vector<std::string> input = RandomTexts();
  std::vector<double> ours;
  std::vector<double> theirs;
  std::vector<double> ratios;
  for (auto _ : state) {
    double arrayMs = 0;
    double stdMs = 0;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (ratios.size() % 2 == 0)) {
        RtArray<RtString> a;
        ArrayDimString(a, static_cast<int32_t>(input.size()), 0, 0, 0);
        for (size_t n = 0; n < input.size(); ++n) StringAssignCStr(a.data[n], input[n].c_str());
        const auto start = std::chrono::steady_clock::now();
        ArraySort(a.data, a.data + a.d1 - 1, nullptr);
        arrayMs = MillisecondsSince(start);
        benchmark::DoNotOptimize(a.data);
      } else {
        std::vector<std::string> v = input;
        const auto start = std::chrono::steady_clock::now();
        std::sort(v.begin(), v.end());
        stdMs = MillisecondsSince(start);
        benchmark::DoNotOptimize(v.data());
      }
    }
    ours.push_back(arrayMs);
    theirs.push_back(stdMs);
    ratios.push_back(arrayMs / stdMs);
  }
  state.counters["array_ms"] = Median(ours);
  state.counters["std_ms"] = Median(theirs);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
}
BENCHMARK(BM_SortRandomTexts_ArraySortAgainstStdSort)->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
