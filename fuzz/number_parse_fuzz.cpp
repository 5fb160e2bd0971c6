// Texts that become numbers (atoi, the 64-bit parse, atof) as the
// language's conversions and every file of numbers meet them, checked
// against each other and against the C library's correctly rounded strtod
// on the part of the text that the documented grammar takes.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/c_runtime.h"
#include "core/number_text.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr const char* kTarget = "number_parse";

bool IsBlank(char c) { return c == ' ' || (c >= 9 && c <= 13); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The leading part of the text that atof reads: blanks, a sign, digits
// with an optional "." and fraction, an exponent with its optional sign
// when digits follow; empty when there is no digit.
std::string DecimalPrefix(const char* p) {
  while (IsBlank(*p)) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (IsDigit(*p)) ++p, digits = true;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p, digits = true;
  }
  if (!digits) return "";
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      while (IsDigit(*q)) ++q;
      p = q;
    }
  }
  return std::string(start, p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* p = text.c_str();

  const int32_t atoi32 = CrtAtoi(p);
  const int64_t parse64 = CrtParseInt64(p);
  FUZZ_CHECK(parse64 == ParseInt64(p), kTarget, "CrtParseInt64 and ParseInt64 differ");
  FUZZ_CHECK(parse64 == ParseInt64(RtString(p)), kTarget, "ParseInt64 of a text and of its C string differ");
  // Both wrap: the 32-bit value is the low half of the 64-bit one.
  FUZZ_CHECK(static_cast<uint32_t>(atoi32) == static_cast<uint32_t>(parse64), kTarget,
             "atoi is not the low 32 bits of the 64-bit parse");
  FUZZ_CHECK(atoi32 == TextToInt(RtString(p)), kTarget, "TextToInt differs from CrtAtoi");

  const double value = CrtAtof(p);
  FUZZ_CHECK(value == TextToDouble(RtString(p)) || (std::isnan(value)), kTarget,
             "TextToDouble differs from CrtAtof");
  const std::string prefix = DecimalPrefix(p);
  const double expected = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
  FUZZ_CHECK(value == expected, kTarget, "atof of \"" + prefix + "\" is not the correctly rounded value");

  // The number text keeps ten significant digits: reading it back lands
  // within half a unit of the tenth digit. The largest values round up to
  // 1.797693135e+308, past the largest double (1.7976931348623157e+308), and
  // read back as infinity: that is the one text allowed not to come back.
  if (std::isfinite(value)) {
    const RtString shown = StringFromDouble(value);
    const double back = CrtAtof(shown.c_str());
    const char* magnitude = shown.c_str() + (shown.c_str()[0] == '-' ? 1 : 0);
    const bool roundsPastLargest = std::isinf(back) && std::strcmp(magnitude, "1.797693135e+308") == 0;
    FUZZ_CHECK(roundsPastLargest || std::fabs(back - value) <= std::fabs(value) * 1e-9, kTarget,
               std::string("the number text ") + shown.c_str() + " does not read back near the value");
  }
  FuzzForgetErrorLog();
  return 0;
}
