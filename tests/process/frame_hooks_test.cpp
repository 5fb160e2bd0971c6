#include "process/frame_hooks.h"

#include <gtest/gtest.h>

namespace {

int g_frames = 0;
MessageSub g_pumpedWith = nullptr;

void TheSub() {}

// Lower layers used without the application: each hook falls back to its
// default, and what is installed is what gets called.
TEST(FrameHooksTest, DefaultsWithoutHooksAndCallsThroughInstalledOnes) {
  const auto showScreen = g_showScreenHook;
  const auto pump = g_pumpMessagesHook;
  const auto msgHookGet = g_win32MsgHookGetHook;

  g_showScreenHook = nullptr;
  g_pumpMessagesHook = nullptr;
  g_win32MsgHookGetHook = nullptr;
  CallShowScreen();
  EXPECT_EQ(CallPumpMessages(TheSub), 1);
  EXPECT_EQ(CallWin32MsgHookGet(), nullptr);

  g_showScreenHook = [] { ++g_frames; };
  g_pumpMessagesHook = [](MessageSub sub) {
    g_pumpedWith = sub;
    return 0;
  };
  g_win32MsgHookGetHook = []() -> MessageSub { return TheSub; };
  CallShowScreen();
  EXPECT_EQ(g_frames, 1);
  EXPECT_EQ(CallPumpMessages(TheSub), 0);
  EXPECT_EQ(g_pumpedWith, &TheSub);
  EXPECT_EQ(CallWin32MsgHookGet(), &TheSub);

  g_showScreenHook = showScreen;
  g_pumpMessagesHook = pump;
  g_win32MsgHookGetHook = msgHookGet;
}

}  // namespace
