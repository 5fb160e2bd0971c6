#include "app/app_shutdown.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/frame_end.h"
#include "app/message_pump.h"
#include "app/runtime_main.h"
#include "app/sub_table.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

int g_quitCalls = 0;

void QuitLogs() {
  ++g_quitCalls;
  std::fprintf(stderr, "quit hook %d\n", g_quitCalls);
}

// A fatal error while the program is ending: RuntimeFatal returns, and the
// failing code must stop there.
void QuitWithFatalError() {
  RuntimeFatal(kErrorOutOfBounds);
  std::fprintf(stderr, "fatal returned during teardown\n");
}

const SubTableEntry kQuitTable[] = {{QuitLogs, "VNL_ON_QUIT"}, {nullptr, nullptr}};
const SubTableEntry kFatalQuitTable[] = {{QuitWithFatalError, "VNL_ON_QUIT"}, {nullptr, nullptr}};

class ProgramEndTest : public testing::Test {
 protected:
  ScratchDir dir_;
  ScopedEnv tmp_{"TMPDIR", dir_.path()};
  std::string Log() const { return ReadFileBytes(dir_.File("ErrorLog.txt")); }
  void TearDown() override { g_subTable = RuntimeGame().subs; }
};

TEST_F(ProgramEndTest, EndsWithExitAndStatusZeroAndNoLogOutsideDebugMode) {
  EXPECT_EXIT(ProgramEnd(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(Log(), "");
}

TEST_F(ProgramEndTest, DebugModeReportsTheEndPosition) {
  EXPECT_EXIT(
      {
        g_app.debugMode = 1;
        g_errorState = ErrorState();
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(Log(), "-End On Line\n0\n-1\n0\n0\n");
}

TEST_F(ProgramEndTest, WithoutAnEngineOnlyTheQuitHookRunsAndOnlyOnce) {
  EXPECT_EXIT(
      {
        g_subTable = kQuitTable;
        AppShutdown();
        AppShutdown();
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "^quit hook 1\n$");
  EXPECT_EQ(Log(), "");
}

TEST_F(ProgramEndTest, AFatalErrorDuringTeardownReturnsAndTheProgramStillEnds) {
  EXPECT_EXIT(
      {
        g_subTable = kFatalQuitTable;
        ProgramEnd();
        std::fprintf(stderr, "after the first end\n");
      },
      testing::ExitedWithCode(0), "fatal returned during teardown\n$");
}

TEST_F(ProgramEndTest, ClosingTheWindowEnds) {
  PlatformEvent close;
  close.type = PlatformEventType::kClose;
  EXPECT_EXIT(MainWindowProc(close), testing::ExitedWithCode(0), "");
}

TEST_F(ProgramEndTest, EndCommandStopsTheLoopAndClearsTheError) {
  EXPECT_EXIT(
      {
        g_app.debugMode = 1;
        RuntimeSetError(3);
        RuntimeEnd();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(Log().substr(0, 15), "-End On Line\n0\n");
}

TEST(AllowEscapeTest, FlagTable) {
  EXPECT_EQ(AllowEscapeGet(), 1);
  for (auto [value, flag] : {std::pair{0.0, 0}, {1.0, 1}, {-0.5, 1}, {std::nan(""), 1}, {-0.0, 0}}) {
    AllowEscape(value);
    EXPECT_EQ(AllowEscapeGet(), flag) << value;
  }
  AllowEscape(1);
}

void MessageHook() {}
const SubTableEntry kHookTable[] = {{MessageHook, "VNL_WIN32_MSG"}, {nullptr, nullptr}};
const SubTableEntry kNoHookTable[] = {{nullptr, nullptr}};

TEST(FrameEndTest, MessageHookIsLookedUpOncePerProcess) {
  g_app.messageHookState = -1;
  g_app.messageHook = nullptr;
  g_subTable = kNoHookTable;
  EXPECT_EQ(Win32MsgHookGet(), nullptr);
  EXPECT_EQ(g_app.messageHookState, 0);
  g_subTable = kHookTable;
  EXPECT_EQ(Win32MsgHookGet(), nullptr);  // not looked up again

  g_app.messageHookState = -1;
  EXPECT_EQ(Win32MsgHookGet(), &MessageHook);
  EXPECT_EQ(g_app.messageHookState, 1);
  g_subTable = RuntimeGame().subs;
  g_app.messageHookState = -1;
  g_app.messageHook = nullptr;
}

TEST(WindowProcTest, DeactivationPausesUnlessInDebugMode) {
  PlatformEvent deactivate;
  deactivate.type = PlatformEventType::kDeactivate;
  PlatformEvent activate;
  activate.type = PlatformEventType::kActivate;
  g_app.debugMode = 1;
  MainWindowProc(deactivate);
  EXPECT_EQ(g_app.paused, 0);
  g_app.debugMode = 0;
  MainWindowProc(deactivate);
  EXPECT_EQ(g_app.paused, 1);
  MainWindowProc(activate);
  EXPECT_EQ(g_app.paused, 0);
}

}  // namespace
