// Recomputes the Blowfish initial tables, the fractional hexadecimal digits
// of pi, and checks the committed tables word by word.
#include "core/blowfish_tables.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// A fixed-point number: word 0 is the integer part, the rest the fraction,
// most significant word first.
using Fixed = std::vector<uint32_t>;

// sum += scale * arctan(1 / x), by the series scale/x - scale/(3 x^3) + ...
// Each division truncates, so the result is low by at most a few units of
// the last word per term; the caller keeps guard words.
void AddScaledArctan(Fixed& sum, uint32_t scale, uint32_t x) {
  const size_t n = sum.size();
  Fixed power(n, 0);
  Fixed term(n, 0);
  size_t first = 0;  // every word of power before this one is zero
  auto divide = [&](const Fixed& from, Fixed& to, uint64_t divisor) {
    uint64_t rest = 0;
    for (size_t i = first; i < n; ++i) {
      uint64_t value = (rest << 32) | from[i];
      to[i] = static_cast<uint32_t>(value / divisor);
      rest = value % divisor;
    }
  };
  power[0] = scale;
  divide(power, power, x);
  const uint64_t xSquared = static_cast<uint64_t>(x) * x;
  for (uint64_t k = 0;; ++k) {
    while (first < n && power[first] == 0) ++first;
    if (first == n) break;
    divide(power, term, 2 * k + 1);
    // Words of term before `first` are zero; only the carry runs on there.
    uint64_t carry = 0;
    for (size_t i = n; i-- > 0;) {
      uint64_t t = i >= first ? term[i] : 0;
      if (i < first && carry == 0) break;
      uint64_t s = (k % 2 == 0) ? uint64_t{sum[i]} + t + carry : uint64_t{sum[i]} - t - carry;
      sum[i] = static_cast<uint32_t>(s);
      carry = (k % 2 == 0) ? s >> 32 : (s >> 32) & 1;
    }
    divide(power, power, xSquared);
  }
}

// The first `count` 32-bit words of the fraction of pi, by Machin's formula
// pi = 16 arctan(1/5) - 4 arctan(1/239).
std::vector<uint32_t> PiFractionWords(size_t count) {
  const size_t guard = 2;
  Fixed pi(1 + count + guard, 0);
  Fixed minus(pi.size(), 0);
  AddScaledArctan(pi, 16, 5);
  AddScaledArctan(minus, 4, 239);
  uint64_t borrow = 0;
  for (size_t i = pi.size(); i-- > 0;) {
    uint64_t s = uint64_t{pi[i]} - minus[i] - borrow;
    pi[i] = static_cast<uint32_t>(s);
    borrow = (s >> 32) & 1;
  }
  EXPECT_EQ(pi[0], 3u);
  return std::vector<uint32_t>(pi.begin() + 1, pi.begin() + 1 + static_cast<ptrdiff_t>(count));
}

TEST(BlowfishTablesTest, TablesAreTheHexDigitsOfPi) {
  const std::vector<uint32_t> words = PiFractionWords(18 + 4 * 256);
  for (int i = 0; i < 18; ++i) {
    ASSERT_EQ(kBlowfishInitP[i], words[i]) << "P[" << i << "]";
  }
  for (int box = 0; box < 4; ++box) {
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(kBlowfishInitS[box][i], words[18 + 256 * box + i]) << "S" << box << "[" << i << "]";
    }
  }
}

}  // namespace
