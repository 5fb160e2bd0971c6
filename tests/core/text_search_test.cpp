#include "core/text_search.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(TextSearchTest, FindBytes) {
  struct Case {
    const char* haystack;
    const char* needle;
    int64_t result;
  };
  const Case cases[] = {
      {"abc", "abc", 0},   {"abc", "", -1},          {"", "a", -1},       {"abc", "abcd", -1},
      {"abc", "abd", -1},  {"xxabcxxabc", "abc", 2}, {"aaab", "ab", 2},   {"banana", "a", 1},
      {"ababcabcd", "abcd", 5}, {"hello world", "o w", 4}, {"abcabcabd", "abd", 6},
      {"mississippi", "issip", 4}, {"zzzz", "zy", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextFindBytes(c.haystack, CStrLength(c.haystack), c.needle, CStrLength(c.needle)), c.result)
        << c.haystack << " / " << c.needle;
  }
  EXPECT_EQ(TextFindBytes(nullptr, 3, "a", 1), -1);
  EXPECT_EQ(TextFindBytes("abc", 3, nullptr, 1), -1);
  // Zero bytes inside the ranges are ordinary bytes.
  EXPECT_EQ(TextFindBytes("a\0b\0c", 5, "\0c", 2), 3);
  // Bytes above 127 index the shift table as unsigned values.
  EXPECT_EQ(TextFindBytes("\xFF\xFE\xFD\xFC", 4, "\xFD\xFC", 2), 2);
}

TEST(TextSearchTest, FindBytesAgreesWithAPlainSearch) {
  // Small alphabets make many near matches, which exercise the shift table.
  uint32_t state = 12345;
  auto next = [&state](uint32_t range) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % range;
  };
  for (int round = 0; round < 2000; ++round) {
    std::string haystack(next(40), ' ');
    for (char& c : haystack) c = static_cast<char>('a' + next(3));
    std::string needle(1 + next(6), ' ');
    for (char& c : needle) c = static_cast<char>('a' + next(3));
    const size_t expected = haystack.find(needle);
    EXPECT_EQ(TextFindBytes(haystack.data(), static_cast<uint32_t>(haystack.size()), needle.data(),
                            static_cast<uint32_t>(needle.size())),
              expected == std::string::npos ? -1 : static_cast<int64_t>(expected))
        << haystack << " / " << needle;
  }
}

// Long haystacks where the needle's first byte is rare, common or
// everywhere, and needles that are found late, early or not at all: the
// first and last occurrences agree with a plain search.
TEST(TextSearchTest, LongHaystacksAgreeWithAPlainSearch) {
  uint32_t state = 4242;
  auto next = [&state](uint32_t range) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % range;
  };
  for (const uint32_t alphabet : {2u, 4u, 26u, 256u}) {
    std::string haystack(60000, ' ');
    for (char& c : haystack) c = static_cast<char>(alphabet == 256 ? next(256) : 'a' + next(alphabet));
    for (int round = 0; round < 40; ++round) {
      const uint32_t length = 2 + next(round % 2 == 0 ? 6 : 40);
      std::string needle;
      if (round % 4 == 0) {
        needle = haystack.substr(next(static_cast<uint32_t>(haystack.size() - length)), length);
      } else {
        for (uint32_t k = 0; k < length; ++k) needle += static_cast<char>('a' + next(alphabet % 256 + 1));
      }
      if (round % 4 == 1) needle[0] = '#';  // a first byte that never occurs
      const size_t first = haystack.find(needle);
      EXPECT_EQ(TextFindBytes(haystack.data(), static_cast<uint32_t>(haystack.size()), needle.data(), length),
                first == std::string::npos ? -1 : static_cast<int64_t>(first))
          << alphabet << " / " << needle;
      const RtString h = StringFromBytes(haystack.data(), static_cast<uint32_t>(haystack.size()));
      const RtString p = StringFromBytes(needle.data(), length);
      const int32_t start = static_cast<int32_t>(next(static_cast<uint32_t>(haystack.size())));
      const size_t from = haystack.find(needle, start);
      EXPECT_EQ(TextFind(h, p, start), from == std::string::npos ? -1 : static_cast<int32_t>(from));
      const int32_t position = round % 3 == 0 ? -1 : start;
      const size_t last = position < 0 ? haystack.rfind(needle) : haystack.rfind(needle, position);
      EXPECT_EQ(TextFindLast(h, p, position), last == std::string::npos ? -1 : static_cast<int32_t>(last));
    }
  }
}

TEST(TextSearchTest, FindFromAStart) {
  const RtString banana = "banana";
  EXPECT_EQ(TextFind(banana, "a", 0), 1);
  EXPECT_EQ(TextFind(banana, "a", 2), 3);
  EXPECT_EQ(TextFind(banana, "a", 6), -1);
  EXPECT_EQ(TextFind(banana, "a", 5), 5);
  EXPECT_EQ(TextFind(banana, "ana", 0), 1);
  EXPECT_EQ(TextFind("banana", RtString("nan"), 0), 2);
  EXPECT_EQ(TextFind("banana", "x", 0), -1);
  EXPECT_EQ(TextFind(banana, RtString("na"), 3), 4);
  // A negative start searches from the beginning.
  EXPECT_EQ(TextFind(banana, "b", -5), 0);
  EXPECT_EQ(TextFind(banana, "b", INT32_MIN), 0);
  EXPECT_EQ(TextFind(static_cast<const char*>(nullptr), "a", 0), -1);
  // The RtString's length word counts, the char* stops at its zero byte.
  EXPECT_EQ(TextFind(StringFromBytes("a\0b", 3), "b", 0), 2);
  EXPECT_EQ(TextFind("a\0b", "b", 0), -1);
}

TEST(TextSearchTest, FindLast) {
  const RtString banana = "banana";
  EXPECT_EQ(TextFindLast(banana, "ana", -1), 3);
  EXPECT_EQ(TextFindLast(banana, "ana", 2), 1);
  EXPECT_EQ(TextFindLast(banana, "ana", 0), -1);
  EXPECT_EQ(TextFindLast(banana, "ana", 1000), 3);
  EXPECT_EQ(TextFindLast("xy", "xyz", -1), -1);
  EXPECT_EQ(TextFindLast("aaaa", RtString("aa"), -1), 2);
  EXPECT_EQ(TextFindLast(banana, RtString(), -1), -1);
  EXPECT_EQ(TextFindLast("banana", "b", 0), 0);
}

TEST(TextSearchTest, ReplaceAll) {
  struct Case {
    const char* source;
    const char* find;
    const char* replacement;
    const char* result;
  };
  const Case cases[] = {
      {"a.b.c", ".", "/", "a/b/c"},     {"aaa", "a", "aa", "aaaaaa"},   {"abcabc", "bc", "x", "axax"},
      {"xabcx", "abc", "", "xx"},       {"abab", "ab", "cd", "cdcd"},   {"abc", "", "x", "abc"},
      {"aaaa", "aa", "b", "bb"},        {"aaa", "aa", "a", "aa"},       {"abc", "abc", "", ""},
      {"abc", "x", "yy", "abc"},        {"", "a", "b", ""},             {"ab", "b", "bbb", "abbb"},
  };
  for (const Case& c : cases) {
    const RtString source = c.source;
    const RtString result = TextReplaceAll(source, RtString(c.find), RtString(c.replacement));
    EXPECT_EQ(Bytes(result), c.result) << c.source << " " << c.find << " " << c.replacement;
    EXPECT_EQ(Bytes(source), c.source);
  }
  // Long results grow through many steps; shrinking ones never grow.
  for (const char* replacement : {"0123456789", "", "xy"}) {
    std::string source;
    for (int i = 0; i < 5000; ++i) source += i % 3 == 0 ? "ab" : "abc";
    std::string expected;
    for (size_t at = 0; at < source.size();) {
      if (source.compare(at, 3, "abc") == 0) {
        expected += replacement;
        at += 3;
      } else {
        expected += source[at++];
      }
    }
    EXPECT_EQ(Bytes(TextReplaceAll(RtString(source.c_str()), RtString("abc"), RtString(replacement))), expected);
  }
  // A string replaced in itself.
  RtString s = "abab";
  EXPECT_EQ(Bytes(TextReplaceAll(s, s, s)), "abab");
  const RtString nul = StringFromBytes("a\0a", 3);
  EXPECT_EQ(Bytes(TextReplaceAll(nul, StringFromBytes("\0", 1), RtString("--"))), "a--a");
}

TEST(TextSearchTest, AnyOfAndNotOf) {
  const char* hello = "hello";
  EXPECT_EQ(TextFindAnyOf(hello, "lo"), hello + 2);
  EXPECT_EQ(TextFindAnyOf(hello, "xyz"), nullptr);
  EXPECT_EQ(TextFindAnyOf(hello, ""), nullptr);
  EXPECT_EQ(TextFindAnyOf("", "a"), nullptr);
  EXPECT_EQ(TextFindAnyOf(nullptr, "a"), nullptr);
  const char* aab = "aab";
  EXPECT_EQ(TextFindNotOf(aab, "a"), aab + 2);
  EXPECT_EQ(TextFindNotOf("aaa", "a"), nullptr);
  EXPECT_EQ(TextFindNotOf(aab, ""), aab);
  EXPECT_EQ(TextFindNotOf(aab, nullptr), aab);
  EXPECT_EQ(TextFindNotOf("", ""), nullptr);
}

}  // namespace
