#include "core/rt_array.h"

#include <cstdio>
#include <initializer_list>

#include "core/number_text.h"
#include "platform/debugger.h"

int64_t ArrayElementCount(int32_t d1, int32_t d2, int32_t d3, int32_t d4) {
  int64_t count = d1 < 0 ? 0 : d1;
  for (int32_t size : {d2, d3, d4}) {
    // Each factor is below 2^31 and so is the running product: no overflow.
    if (size > 1) count *= size;
    if (count > INT32_MAX) return -1;
  }
  return count;
}

namespace {

// The bracketed numbers for the sizes that are present: the first always,
// each later one while the sizes before it and its own are above 0. Each
// number takes four columns, 0 printing as four blanks.
RtString BracketList(const int32_t sizes[4], const int32_t values[4]) {
  RtString text;
  for (int n = 0; n < 4 && (n == 0 || sizes[n] > 0); ++n) {
    StringAppendCStr(text, "[");
    StringAppend(text, FormatInt(4, 0, values[n]));
    StringAppendCStr(text, "]");
  }
  return text;
}

// Debugger text with the runtime's "TX" prefix, as DebugOutput sends it
// (that sits above the value types).
void DebuggerText(const RtString& text) {
  if (!PlatformDebuggerAttached()) return;
  const RtString line = CStrConcatString("TX", text);
  PlatformDebuggerWrite(line.text, line.length);
}

}  // namespace

void ArrayBoundsReport(int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t i, int32_t j, int32_t k,
                       int32_t l) {
  const int32_t sizes[4] = {d1, d2, d3, d4};
  const int32_t indices[4] = {i, j, k, l};
  const RtString bounds = StringConcatCStr(CStrConcatString("bounds: ", BracketList(sizes, sizes)), "\n");
  const RtString access = StringConcatCStr(CStrConcatString("access: ", BracketList(sizes, indices)), "\n");
  DebuggerText(bounds);
  DebuggerText(access);
  // Standard error, the text as it stands (unbuffered).
  std::fwrite(bounds.text, 1, bounds.length, stderr);
  std::fwrite(access.text, 1, access.length, stderr);
}
