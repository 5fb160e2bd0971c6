#include "core/text_wide.h"

#include "core/c_runtime.h"
#include "core/fatal_error.h"

const char16_t* TextToWide(const RtString& s) {
  static char16_t wide[kTextToWideUnits];
  const uint32_t n = s.length < kTextToWideUnits - 1 ? s.length + 1 : kTextToWideUnits - 1;
  wide[CrtMbsToWcs(wide, s.text, n)] = 0;
  return wide;
}

void StringSetWide(RtString& target, const char16_t* w) {
  const uint64_t n = static_cast<uint64_t>(CrtWcsLen(w)) + 1;
  if (n > kStringMaxLength) RuntimeOutOfMemory();
  StringReserve(target, static_cast<uint32_t>(n), false);
  CrtWcsToMbs(target.text, w, n);
  target.length = CStrLength(target.text);
}

RtString StringFromWide(const char16_t* w) {
  RtString s;
  StringSetWide(s, w);
  return s;
}
