#include "process/frame_hooks.h"

void (*g_showScreenHook)() = nullptr;
int (*g_pumpMessagesHook)(MessageSub sub) = nullptr;
MessageSub (*g_win32MsgHookGetHook)() = nullptr;

void CallShowScreen() {
  if (g_showScreenHook != nullptr) g_showScreenHook();
}

int CallPumpMessages(MessageSub sub) { return g_pumpMessagesHook != nullptr ? g_pumpMessagesHook(sub) : 1; }

MessageSub CallWin32MsgHookGet() { return g_win32MsgHookGetHook != nullptr ? g_win32MsgHookGetHook() : nullptr; }
