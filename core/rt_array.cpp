#include "core/rt_array.h"

#include <cstdio>
#include <string>

#include "app/debug_output.h"

int64_t ArrayElementCount(int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  int64_t count = d1 < 0 ? 0 : d1;
  for (int32_t size : {d2, d3, d4}) {
    // Each factor is below 2^31 and so is the running product: no overflow.
    if (size > 1) count *= size;
    if (count > INT32_MAX) return -1;
  }
  return count;
}

int64_t ArrayCapacityFor(int64_t count, ArrayGrowth growth) {
  switch (growth) {
    case ArrayGrowth::kRuleOf8: return count / 8 * 8 + 8;
    case ArrayGrowth::kExact: return count;
    case ArrayGrowth::kRuleOf64: return count == 0 ? 0 : count / 64 * 64 + 64;
  }
  return count;
}

namespace {

// One number of the report: printf "%4.0d", so 0 prints as four blanks.
void AppendBracketed(std::string& text, int32_t value) {
  char field[16];
  std::snprintf(field, sizeof field, "[%4.0d]", value);
  text += field;
}

// The bracketed numbers for the sizes that are present: the first always,
// each later one while the sizes before it and its own are above 0.
std::string BracketList(const int32_t sizes[4], const int32_t values[4]) {
  std::string text;
  AppendBracketed(text, values[0]);
  for (int n = 1; n < 4 && sizes[n] > 0; ++n) AppendBracketed(text, values[n]);
  return text;
}

}  // namespace

void ArrayBoundsReport(int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t i, int32_t j, int32_t k,
                       int32_t l) {
  const int32_t sizes[4] = {d1, d2, d3, d4};
  const int32_t indices[4] = {i, j, k, l};
  const std::string bounds = "bounds: " + BracketList(sizes, sizes) + "\n";
  const std::string access = "access: " + BracketList(sizes, indices) + "\n";
  DebugOutput(RtString(bounds.c_str()));
  DebugOutput(RtString(access.c_str()));
  std::fputs(bounds.c_str(), stderr);
  std::fputs(access.c_str(), stderr);
  std::fflush(stderr);
}
