#include "process/error_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "process/debug_output.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

class ErrorStateTest : public testing::Test {
 protected:
  void SetUp() override { g_errorState = {0, 0, 0, 0}; }
  void TearDown() override { g_errorState = {0, 0, 0, 0}; }
};

TEST_F(ErrorStateTest, LastErrorTextTable) {
  struct Case {
    int32_t code;
    const char* text;
  };
  for (const Case& c : {Case{0, "0000 success"}, Case{3, "0003 no such file"}, Case{7, "0007 out of memory"},
                        Case{8, "0008 unknown error"}, Case{9, "0009 out of bounds"}, Case{20, "0020 out of data"},
                        Case{21, "0021 unknown error"}, Case{1, "0001 unknown error"},
                        Case{-1, "-0001 unknown error"}, Case{12345, "12345 unknown error"}}) {
    RuntimeSetError(c.code);
    EXPECT_STREQ(LastErrorText().c_str(), c.text);
  }
  ClearLastError();
  EXPECT_STREQ(LastErrorText().c_str(), "0000 success");
}

TEST_F(ErrorStateTest, SetErrorReportsToAnAttachedDebugger) {
  DebugCapture debugger;
  SetDebugPosition(2, 41);
  EXPECT_EQ(RuntimeSetError(255), 255);
  EXPECT_EQ(g_errorState.errorLine, 41);
  EXPECT_EQ(RuntimeSetError(-1), -1);
  EXPECT_EQ(RuntimeSetError(0), 0);
  EXPECT_EQ(debugger.Text(), "TXerror: ff\nTXerror: ffffffff\n");
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(g_errorState.errorLine, 41);
  EXPECT_EQ(g_errorState.debugModule, 2);
}

TEST_F(ErrorStateTest, NoDebuggerNoOutputButTheCodeIsStored) {
  ScratchDir dir;
  ScopedEnv no_debugger("VNL_DEBUG_OUT", std::nullopt);
  ASSERT_FALSE(DebuggerAttached()) << "run the tests without a debugger";
  RuntimeSetError(255);
  EXPECT_EQ(g_errorState.code, 255);
  DebugOutput("never seen");
}

TEST_F(ErrorStateTest, ClearLastErrorKeepsTheErrorLine) {
  SetDebugPosition(0, 7);
  RuntimeSetError(3);
  ClearLastError();
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(g_errorState.errorLine, 7);
}

TEST_F(ErrorStateTest, AssertOnANonZeroValueChangesNothing) {
  DebugCapture debugger;
  RuntimeAssert(1);
  RuntimeAssert(-5);
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(debugger.Text(), "");
}

TEST_F(ErrorStateTest, DebugOutputPrefixesTX) {
  DebugCapture debugger;
  DebugOutput("hello\n");
  EXPECT_EQ(debugger.Text(), "TXhello\n");
}

using ErrorStateDeathTest = ErrorStateTest;

TEST_F(ErrorStateDeathTest, FailedAssertionReportsAndEndsTheProgram) {
  ScratchDir dir;
  const std::string log = dir.File("debug.txt");
  EXPECT_EXIT(
      {
        setenv("VNL_DEBUG_OUT", log.c_str(), 1);
        RuntimeAssert(0);
        std::fputs("went on\n", stderr);
      },
      testing::ExitedWithCode(0), "^$");
  EXPECT_EQ(ReadFileBytes(log), "TXAssertion: Value = 0\nTXerror: 15\n");
}

TEST_F(ErrorStateDeathTest, ProgramEndPrintsExitAndExitsWithZero) {
  ScratchDir dir;
  const std::string out = dir.File("stdout.txt");
  EXPECT_EXIT(
      {
        std::freopen(out.c_str(), "w", stdout);
        RuntimeFatal(kErrorOutOfBounds);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(out), "exit\n");
}

TEST_F(ErrorStateDeathTest, FatalErrorsDuringTheEndReturnToTheCaller) {
  // The child marks the program as ending by an exit handler that raises a
  // fatal error: the handler's RuntimeFatal must return.
  EXPECT_EXIT(
      {
        std::atexit([] {
          RuntimeFatal(kErrorOutOfBounds);
          std::fputs("returned\n", stderr);
        });
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "returned");
}

}  // namespace
