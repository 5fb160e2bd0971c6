// The text value against std::string and the number text against
// snprintf("%.10g"), case by case (each pair runs the same work).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "core/rt_string.h"
#include "core/text_concat.h"
#include "core/text_search.h"

namespace {

constexpr uint32_t kMiB = 1u << 20;

// 1 MiB of lower-case letters from a fixed generator.
std::string Letters() {
  std::string text(kMiB, ' ');
  uint32_t state = 1;
  for (char& c : text) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>('a' + (state >> 16) % 26);
  }
  return text;
}

// 1 MiB of short words, a quarter of them "def".
std::string Words() {
  std::string text;
  while (text.size() + 4 <= kMiB) text += (text.size() / 4) % 4 == 1 ? "def " : "abc ";
  return text;
}

// A 16-byte needle: digits that the letters never hold (std::string's
// first-byte scan then never stops), or the letters' own last 16 bytes (it
// stops at every match of the first byte). Either lies at the very end.
std::string Haystack(bool digits) {
  std::string text = Letters();
  if (digits) text.replace(text.size() - 16, 16, "0123456789abcdef");
  return text;
}

std::vector<double> Doubles() {
  std::vector<double> values(1000000);
  uint32_t state = 7;
  for (size_t i = 0; i < values.size(); ++i) {
    state = state * 1103515245u + 12345u;
    const double unit = static_cast<double>(state) / 4294967296.0;
    values[i] = (unit - 0.5) * static_cast<double>(i % 7 == 0 ? 1e12 : 1e4);
  }
  return values;
}

void BM_AppendChar_RtString(benchmark::State& state) {
  for (auto _ : state) {
    RtString s;
    for (uint32_t i = 0; i < kMiB; ++i) StringAppendChar(s, static_cast<uint8_t>('a' + i % 26));
    benchmark::DoNotOptimize(s.text);
  }
}
BENCHMARK(BM_AppendChar_RtString)->Unit(benchmark::kMillisecond);

void BM_AppendChar_StdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (uint32_t i = 0; i < kMiB; ++i) s.push_back(static_cast<char>('a' + i % 26));
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_AppendChar_StdString)->Unit(benchmark::kMillisecond);

void BM_ConcatLoop_RtString(benchmark::State& state) {
  for (auto _ : state) {
    RtString a;
    for (int i = 0; i < 10000; ++i) a = a + "x";
    benchmark::DoNotOptimize(a.text);
  }
}
BENCHMARK(BM_ConcatLoop_RtString)->Unit(benchmark::kMillisecond);

void BM_ConcatLoop_StdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string a;
    for (int i = 0; i < 10000; ++i) a = a + "x";
    benchmark::DoNotOptimize(a.data());
  }
}
BENCHMARK(BM_ConcatLoop_StdString)->Unit(benchmark::kMillisecond);

void BM_Find_RtString(benchmark::State& state) {
  const std::string text = Haystack(state.range(0) != 0);
  const RtString haystack = text.c_str();
  const RtString needle = text.substr(text.size() - 16).c_str();
  for (auto _ : state) benchmark::DoNotOptimize(TextFind(haystack, needle, 0));
}
BENCHMARK(BM_Find_RtString)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_Find_StdString(benchmark::State& state) {
  const std::string haystack = Haystack(state.range(0) != 0);
  const std::string needle = haystack.substr(haystack.size() - 16);
  for (auto _ : state) benchmark::DoNotOptimize(haystack.find(needle));
}
BENCHMARK(BM_Find_StdString)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReplaceAll_RtString(benchmark::State& state) {
  const RtString source = Words().c_str();
  const RtString find = "def";
  const RtString replacement = "xy";
  for (auto _ : state) {
    RtString result = TextReplaceAll(source, find, replacement);
    benchmark::DoNotOptimize(result.text);
  }
}
BENCHMARK(BM_ReplaceAll_RtString)->Unit(benchmark::kMicrosecond);

void BM_ReplaceAll_StdString(benchmark::State& state) {
  const std::string source = Words();
  const std::string find = "def";
  const std::string replacement = "xy";
  for (auto _ : state) {
    std::string result;
    result.reserve(source.size());
    size_t from = 0;
    for (size_t at; (at = source.find(find, from)) != std::string::npos; from = at + find.size()) {
      result.append(source, from, at - from);
      result += replacement;
    }
    result.append(source, from, std::string::npos);
    benchmark::DoNotOptimize(result.data());
  }
}
BENCHMARK(BM_ReplaceAll_StdString)->Unit(benchmark::kMicrosecond);

void BM_DoubleText_RtString(benchmark::State& state) {
  const std::vector<double> values = Doubles();
  for (auto _ : state) {
    for (double v : values) {
      RtString s = StringFromDouble(v);
      benchmark::DoNotOptimize(s.text);
    }
  }
}
BENCHMARK(BM_DoubleText_RtString)->Unit(benchmark::kMillisecond);

void BM_DoubleText_Snprintf(benchmark::State& state) {
  const std::vector<double> values = Doubles();
  for (auto _ : state) {
    for (double v : values) {
      char text[32];
      benchmark::DoNotOptimize(std::snprintf(text, sizeof text, "%.10g", v));
      benchmark::DoNotOptimize(text);
    }
  }
}
BENCHMARK(BM_DoubleText_Snprintf)->Unit(benchmark::kMillisecond);

}  // namespace
