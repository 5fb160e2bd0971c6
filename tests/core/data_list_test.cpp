#include "core/data_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "process/error_state.h"

namespace {

// The target of a read that must end the program; the child reports it,
// with the error code, from an exit handler.
int32_t g_target = 0;

void ReportAtExit() {
  std::atexit([] { std::fprintf(stderr, "code %d target %d\n", g_errorState.code, g_target); });
}

TEST(DataListTest, ReadBeforeAnyRestoreIsOutOfData) {
  // A re-executed child starts with no current block, whatever ran before.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ReportAtExit();
        g_target = 77;
        DataReadInt(&g_target);
      },
      testing::ExitedWithCode(0), "code 20 target 77");
  GTEST_FLAG_SET(death_test_style, style);
}

TEST(DataListTest, IntConversions) {
  const DataEntry entries[] = {
      {2.9, nullptr}, {-2.9, nullptr}, {0, "12abc"}, {0, "abc"}, {0, "  -42"},
      {3e9, nullptr}, {0, ""},
  };
  DataBlock block = {entries, 7, 5};
  EXPECT_EQ(DataRestore(block), &block);
  EXPECT_EQ(block.readIndex, 0);
  const int32_t expected[] = {2, -2, 12, 0, -42, INT32_MIN, 0};
  for (int32_t e : expected) {
    int32_t value = 99;
    DataReadInt(&value);
    EXPECT_EQ(value, e);
  }
  EXPECT_EQ(block.readIndex, 7);
}

TEST(DataListTest, DoubleConversions) {
  const DataEntry entries[] = {{1.5, nullptr}, {0, "1e3"}, {0, "x"}, {0, " -2.25rest"}};
  DataBlock block = {entries, 4, 0};
  DataRestore(block);
  for (double e : {1.5, 1000.0, 0.0, -2.25}) {
    double value = 99;
    DataReadDouble(&value);
    EXPECT_DOUBLE_EQ(value, e);
  }
}

TEST(DataListTest, StringConversions) {
  const DataEntry entries[] = {{3.0, nullptr}, {1.25, nullptr}, {7.0, "as it is"}, {0, ""},
                               {0.1, nullptr}, {-3.5, nullptr}};
  DataBlock block = {entries, 6, 0};
  DataRestore(block);
  for (const char* e : {"3", "1.25", "as it is", "", "0.1", "-3.5"}) {
    RtString value = "old";
    DataReadString(&value);
    EXPECT_STREQ(value.c_str(), e);
  }
}

TEST(DataListTest, RestoreRewindsAHalfReadBlock) {
  const DataEntry entries[] = {{1, nullptr}, {2, nullptr}, {3, nullptr}};
  DataBlock block = {entries, 3, 0};
  DataRestore(block);
  int32_t value = 0;
  DataReadInt(&value);
  DataReadInt(&value);
  EXPECT_EQ(value, 2);
  DataRestore(block);
  DataReadInt(&value);
  EXPECT_EQ(value, 1);
}

TEST(DataListTest, ReadsStayInTheCurrentBlock) {
  const DataEntry first[] = {{1, nullptr}};
  const DataEntry second[] = {{2, nullptr}, {3, nullptr}};
  DataBlock a = {first, 1, 0};
  DataBlock b = {second, 2, 0};
  DataRestore(b);
  DataRestore(a);
  int32_t value = 0;
  DataReadInt(&value);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(b.readIndex, 0);
  EXPECT_EXIT(
      {
        ReportAtExit();
        DataReadInt(&g_target);
      },
      testing::ExitedWithCode(0), "code 20");
}

TEST(DataListTest, FourthReadOfThreeEntriesEndsWithError20) {
  const DataEntry entries[] = {{1, nullptr}, {0, "two"}, {3, nullptr}};
  DataBlock block = {entries, 3, 0};
  DataRestore(block);
  int32_t i = 0;
  double d = 0;
  RtString s;
  DataReadInt(&i);
  DataReadString(&s);
  DataReadDouble(&d);
  EXPECT_EQ(block.readIndex, 3);
  g_target = 5;
  EXPECT_EXIT({ ReportAtExit(); DataReadInt(&g_target); }, testing::ExitedWithCode(0), "code 20 target 5");
  EXPECT_EXIT({ ReportAtExit(); DataReadDouble(&d); }, testing::ExitedWithCode(0), "code 20");
  EXPECT_EXIT({ ReportAtExit(); DataReadString(&s); }, testing::ExitedWithCode(0), "code 20");
}

TEST(DataListTest, DamagedNegativeReadIndexIsOutOfData) {
  const DataEntry entries[] = {{1, nullptr}};
  DataBlock block = {entries, 1, 0};
  DataRestore(block);
  block.readIndex = -3;
  g_target = 5;
  EXPECT_EXIT({ ReportAtExit(); DataReadInt(&g_target); }, testing::ExitedWithCode(0), "code 20 target 5");
}

}  // namespace
