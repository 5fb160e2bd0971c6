#include "core/fatal_error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

int32_t g_hookCode = 0;

// The value types used without the runtime: no hook installed.
TEST(FatalErrorDeathTest, WithoutAHookTheProcessEndsWithTheCode) {
  EXPECT_EXIT(
      {
        g_fatalErrorHook = nullptr;
        CoreFatal(kErrorOutOfBounds);
      },
      testing::ExitedWithCode(EXIT_FAILURE), "fatal error 9\n");
  EXPECT_EXIT(
      {
        g_fatalErrorHook = nullptr;
        RuntimeOutOfMemory();
      },
      testing::ExitedWithCode(EXIT_FAILURE), "fatal error 7\n");
}

// A hook that returns stands for a program that is already ending: the
// value operation goes on to stop by itself, but running out of memory
// still leaves the process.
TEST(FatalErrorDeathTest, AnInstalledHookTakesTheCode) {
  void (*const installed)(int32_t) = g_fatalErrorHook;
  g_fatalErrorHook = [](int32_t code) { g_hookCode = code; };
  CoreFatal(kErrorOutOfData);
  EXPECT_EQ(g_hookCode, kErrorOutOfData);
  EXPECT_EXIT(RuntimeOutOfMemory(), testing::ExitedWithCode(EXIT_FAILURE),
              "fatal: out of memory while the program ends");
  g_fatalErrorHook = installed;
}

}  // namespace
