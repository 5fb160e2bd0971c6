#include "core/rt_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Bytes(const RtString& s) { return std::string(s.text, s.length); }

TEST(RtStringTest, FreshStringIsTheSharedEmptyText) {
  RtString s;
  EXPECT_EQ(s.text, g_sharedEmptyText);
  EXPECT_EQ(s.capacity, 0u);
  EXPECT_EQ(s.length, 0u);
  EXPECT_EQ(s.text[0], '\0');
  StringDestroy(s);
  StringDestroy(s);  // destroying twice is harmless
  EXPECT_EQ(s.text, g_sharedEmptyText);
}

TEST(RtStringTest, ReserveFollowsTheGrowthRule) {
  struct Case {
    uint32_t n;
    uint32_t capacity;
  };
  for (const Case& c : {Case{1, 16}, Case{14, 16}, Case{15, 32}, Case{16, 32}, Case{63, 80}, Case{128, 144}}) {
    RtString s;
    StringReserve(s, c.n, false);
    EXPECT_EQ(s.capacity, c.capacity) << "n = " << c.n;
    EXPECT_EQ(s.text[0], '\0');
    EXPECT_EQ(s.length, 0u);
  }
}

TEST(RtStringTest, ReserveDoesNothingWhenThereIsRoom) {
  RtString empty;
  StringReserve(empty, 0, true);
  EXPECT_EQ(empty.text, g_sharedEmptyText);

  RtString s;
  StringReserve(s, 1, false);
  char* buffer = s.text;
  StringReserve(s, 15, true);
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(s.capacity, 16u);
  StringReserve(s, 16, true);
  EXPECT_EQ(s.capacity, 32u);
}

TEST(RtStringTest, ReserveWithoutKeepLeavesTheLengthWord) {
  RtString s = "hello";
  StringReserve(s, 40, false);
  EXPECT_EQ(s.length, 5u);
  EXPECT_EQ(s.text[0], '\0');
  RtString t = "hello";
  StringReserve(t, 40, true);
  EXPECT_STREQ(t.text, "hello");
}

TEST(RtStringTest, ConstructionSizes) {
  RtString abc = StringFromCStr("abc");
  EXPECT_EQ(abc.length, 3u);
  EXPECT_EQ(abc.capacity, 16u);
  EXPECT_EQ(StringFromCStr("").text, g_sharedEmptyText);
  EXPECT_EQ(StringFromCStr(nullptr).text, g_sharedEmptyText);

  RtString exact;
  StringSetCStr(exact, "abc");
  EXPECT_EQ(exact.capacity, 4u);
  EXPECT_EQ(Bytes(exact), "abc");
  StringSetCStr(exact, "");
  EXPECT_EQ(exact.text, g_sharedEmptyText);
}

TEST(RtStringTest, AppendingToAnExactBufferUsesTheGrowthRule) {
  RtString s;
  StringSetCStr(s, "abcdefghijklmn");
  EXPECT_EQ(s.capacity, 15u);
  StringAppendChar(s, 'o');
  EXPECT_EQ(s.capacity, 32u);
  EXPECT_EQ(Bytes(s), "abcdefghijklmno");
}

TEST(RtStringTest, AppendCharOnTheSharedEmptyText) {
  RtString s;
  StringAppendChar(s, 'x');
  EXPECT_EQ(s.capacity, 16u);
  EXPECT_EQ(s.length, 1u);
  EXPECT_STREQ(s.text, "x");
}

TEST(RtStringTest, AssignEmptyKeepsTheBuffer) {
  RtString s = "abc";
  char* buffer = s.text;
  RtString empty;
  StringAssign(s, empty);
  EXPECT_EQ(s.text, buffer);
  EXPECT_EQ(s.capacity, 16u);
  EXPECT_EQ(s.length, 0u);
  EXPECT_EQ(s.text[0], '\0');
}

TEST(RtStringTest, AssignReusesALargeEnoughBuffer) {
  RtString target = "a long text of some thirty bytes";
  char* buffer = target.text;
  const uint32_t capacity = target.capacity;
  target = RtString("short");
  EXPECT_EQ(target.text, buffer);
  EXPECT_EQ(target.capacity, capacity);
  EXPECT_EQ(Bytes(target), "short");

  target = target;  // self-assignment changes nothing
  EXPECT_EQ(Bytes(target), "short");
}

TEST(RtStringTest, AssignCStrThroughATemporary) {
  RtString s = "old text";
  StringAssignCStr(s, s.text + 4);  // a pointer into its own buffer
  EXPECT_EQ(Bytes(s), "text");
  EXPECT_EQ(s.capacity, 16u);
}

TEST(RtStringTest, SetAndAppendCStrFromTheirOwnBuffer) {
  RtString s = "abcdef";
  StringSetCStr(s, s.text + 2);
  EXPECT_EQ(Bytes(s), "cdef");
  EXPECT_EQ(s.capacity, 5u);

  StringAppendCStr(s, s.text);  // the reserve moves the buffer
  EXPECT_EQ(Bytes(s), "cdefcdef");
}

TEST(RtStringTest, AppendToItselfDoubles) {
  RtString s = "ab";
  StringAppend(s, s);
  EXPECT_EQ(Bytes(s), "abab");

  RtString full;
  StringSetCStr(full, "abcd");  // capacity 5: the reserve must move it
  StringAppend(full, full);
  EXPECT_EQ(Bytes(full), "abcdabcd");
}

TEST(RtStringTest, ManySingleAppendsKeepEveryByteAndTheGrowthRule) {
  RtString s;
  std::string expected;
  for (uint32_t i = 0; i < 300000; ++i) {
    const uint8_t c = static_cast<uint8_t>(1 + i % 251);
    StringAppendChar(s, c);
    expected.push_back(static_cast<char>(c));
  }
  EXPECT_EQ(Bytes(s), expected);
  EXPECT_EQ(s.capacity, ((300000u + 1) & ~15u) + 16);
  EXPECT_EQ(s.text[s.length], '\0');
}

// However much larger the block under a text has grown, the capacity word
// follows the reserve rule: it grows only when it is below n + 1, to the
// rule's size for n.
TEST(RtStringTest, GrowingTextsKeepTheReserveRuleWhateverTheBlock) {
  RtString s;
  std::string expected;
  uint32_t capacity = 0;
  uint32_t state = 99;
  for (int step = 0; step < 20000; ++step) {
    state = state * 1103515245u + 12345u;
    const uint32_t n = (state >> 16) % (step % 100 == 0 ? 700 : 40);
    const std::string piece(n, static_cast<char>('a' + step % 26));
    const auto reserve = [&capacity](uint32_t needed) {
      if (capacity < needed + 1) capacity = ((needed + 1) & ~15u) + 16;
    };
    if (step % 3 == 0) {
      for (char c : piece) {
        StringAppendChar(s, static_cast<uint8_t>(c));
        expected += c;
        reserve(static_cast<uint32_t>(expected.size()));
      }
    } else {
      StringAppendBytes(s, piece.data(), n);
      expected += piece;
      if (n != 0) reserve(static_cast<uint32_t>(expected.size()));
    }
    ASSERT_EQ(s.capacity, capacity) << "step " << step;
    ASSERT_EQ(s.length, expected.size());
  }
  EXPECT_EQ(Bytes(s), expected);
  EXPECT_EQ(s.text[s.length], '\0');

  // A reserve without keeping, inside the grown block or not, starts the
  // buffer with a zero byte and leaves the length word.
  for (uint32_t n : {s.capacity + 1, s.capacity + 100000}) {
    const uint32_t length = s.length;
    StringReserve(s, n, false);
    EXPECT_EQ(s.capacity, ((n + 1) & ~15u) + 16);
    EXPECT_EQ(s.text[0], '\0');
    EXPECT_EQ(s.length, length);
    s.length = 0;
  }
}

TEST(RtStringTest, SyncLengthRecountsDirectWrites) {
  RtString s;
  char* buffer = StringGetBuffer(s, 14);
  ASSERT_EQ(s.capacity, 16u);
  std::memset(buffer, 'z', 16);  // fills the whole buffer, no terminator
  StringSyncLength(s);
  EXPECT_EQ(s.length, 15u);
  EXPECT_EQ(s.text[15], '\0');

  buffer[0] = '\0';
  StringSyncLength(s);
  EXPECT_EQ(s.length, 0u);

  RtString empty;
  StringSyncLength(empty);
  EXPECT_EQ(empty.length, 0u);
}

TEST(RtStringTest, TheLengthWordIsAuthoritativeForCopies) {
  RtString s = StringFromBytes("a\0b", 3);
  EXPECT_EQ(StringLength(s), 1u);
  RtString copy = StringCopy(s);
  EXPECT_EQ(copy.length, 3u);
  EXPECT_EQ(Bytes(copy), std::string("a\0b", 3));
  RtString joined = StringConcat(s, s);
  EXPECT_EQ(Bytes(joined), std::string("a\0ba\0b", 6));
}

TEST(RtStringTest, ConcatenationLeavesOperandsAlone) {
  RtString a = "foo";
  RtString b = "bar";
  EXPECT_EQ(Bytes(StringConcat(a, b)), "foobar");
  EXPECT_EQ(Bytes(StringConcatCStr(a, "!")), "foo!");
  EXPECT_EQ(Bytes(CStrConcatString("<", b)), "<bar");
  EXPECT_EQ(Bytes(CStrConcatCStr("x", nullptr)), "x");
  EXPECT_EQ(Bytes(a), "foo");
  EXPECT_EQ(Bytes(b), "bar");
}

TEST(RtStringTest, MoveTakesTheBufferOver) {
  RtString a = "moved";
  char* buffer = a.text;
  RtString b(std::move(a));
  EXPECT_EQ(b.text, buffer);
  EXPECT_EQ(a.text, g_sharedEmptyText);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(StringFromInt(-2147483647 - 1).c_str(), std::string("-2147483648"));
}

TEST(RtStringDeathTest, ARequestBeyondTheLargestTextIsFatal) {
  EXPECT_EXIT(
      {
        RtString s;
        StringReserve(s, kStringMaxLength + 1, false);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
