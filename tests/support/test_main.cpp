// The main of every test executable.
//
// Each executable is built for one kind of test (VNL_TEST_KIND_GL or not)
// and sets up its own environment, so it runs the same from ctest or by hand.
// The runtime is set up as the game's own main sets it up: its hooks
// installed and the game handed over, so that every test sees the layers
// wired together as the program runs them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/runtime_hooks.h"
#include "app/runtime_main.h"
#include "game/game_program.h"

// Sanitizer settings of the sanitizer build: provoked allocation failures
// come back as null, and Mesa's allocations left at exit are not leaks of
// ours.
extern "C" const char* __asan_default_options() {
#if VNL_TEST_KIND_DISPLAY
  return "allocator_may_return_null=1:detect_leaks=0";
#else
  return "allocator_may_return_null=1";
#endif
}

extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

int main(int argc, char** argv) {
  // No sound card and no message boxes under test; GL tests draw offscreen
  // unless a display is given.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("VNL_NO_MSGBOX", "1", 0);
#if VNL_TEST_KIND_GL
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
#endif

  // Unit tests start no threads, so their death tests fork and see the
  // parent's state (scratch folders included). Display tests re-run the
  // binary instead: forking is not safe with the threads SDL and Mesa start.
#if VNL_TEST_KIND_DISPLAY
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#else
  GTEST_FLAG_SET(death_test_style, "fast");
#endif
  RuntimeInstallHooks();
  RuntimeSetGame(ZivureProgram());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
