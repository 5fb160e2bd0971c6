// The main of every test executable.
//
// Each executable is built for one kind of test (VNL_TEST_KIND_GL or not)
// and sets up its own environment, so it runs the same from ctest or by hand.
// The runtime is set up as the game's own main sets it up: its hooks
// installed and the game handed over, so that every test sees the layers
// wired together as the program runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

namespace {

// An exit() or quick_exit() from inside a test ends the test program with
// the status it was given, usually 0, and the checks after it never run:
// the run would count as passed. These record what is needed to tell such
// an exit from the legitimate ones (the end of main, a death-test child).
bool g_allTestsRan = false;
pid_t g_testProgramPid = 0;
bool g_inDeathTestChild = false;

void FailAnExitBeforeTheTestsEnd() {
  if (g_allTestsRan || g_inDeathTestChild || getpid() != g_testProgramPid) return;
  std::fflush(nullptr);
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  if (test != nullptr) {
    std::fprintf(stderr,
                 "\n%s:%d: FAILED: the test %s.%s ended the test program (exit or quick_exit) "
                 "before the tests were done; the rest of it and the tests after it did not run\n",
                 test->file(), test->line(), test->test_suite_name(), test->name());
  } else {
    std::fprintf(stderr,
                 "\nFAILED: the test program was ended (exit or quick_exit) outside a test, "
                 "before the tests were done\n");
  }
  // A handler run by exit() must not call exit() again.
  std::_Exit(1);
}

// Whether this process is the child that gtest starts anew to run one
// death test (the "threadsafe" style); such a child legitimately exits.
bool IsReexecutedDeathTestChild(int argc, char** argv) {
  static constexpr char kFlag[] = "--gtest_internal_run_death_test";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0) return true;
  }
  return false;
}

}  // namespace

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

  // An exit before RUN_ALL_TESTS returns fails the run, except in a death
  // test's child: a forked one has another process id, a re-executed one
  // is told by its flag.
  g_testProgramPid = getpid();
  g_inDeathTestChild = IsReexecutedDeathTestChild(argc, argv);
  std::atexit(FailAnExitBeforeTheTestsEnd);
  std::at_quick_exit(FailAnExitBeforeTheTestsEnd);

  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  g_allTestsRan = true;
  return result;
}
