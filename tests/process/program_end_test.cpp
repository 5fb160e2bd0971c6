#include "process/program_end.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(ProgramEndDeathTest, EndsThroughTheTeardownHookOrAtOnceWithoutOne) {
  EXPECT_EXIT(
      {
        g_programTeardownHook = nullptr;
        ProgramSetExitStatus(3);
        ProgramEnd();
      },
      testing::ExitedWithCode(3), "");
  EXPECT_EXIT(
      {
        g_programTeardownHook = [] { std::fputs("torn down\n", stderr); };
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "torn down");
}

}  // namespace
