// Frames and window messages for the layers below the application.
//
// A few commands below the application run whole frames while they wait (a
// background fade) or pump the window's messages (a movie, the frame wait,
// leaving full screen). The frame end and the window procedure belong to
// the application, which installs them here at start-up. Each hook is a
// plain function pointer; the Call function beside it calls the hook, or
// does the safe default written there while the hook is null (nothing
// installed, as in a lower layer used without the application).
#pragma once

// A SUB of the game that a pump calls before each message.
using MessageSub = void (*)();

// ShowScreen: the frame end, then the 2D render reset.
extern void (*g_showScreenHook)();
// Null: nothing happens.
void CallShowScreen();

// PumpMessages: drains the window's pending messages through the window
// procedure, calling `sub` (when not null) before each; 0 asks the program
// to end.
extern int (*g_pumpMessagesHook)(MessageSub sub);
// Null: nothing is pumped and the answer is 1.
int CallPumpMessages(MessageSub sub);

// Win32MsgHookGet: the game's "VNL_WIN32_MSG" SUB, or null.
extern MessageSub (*g_win32MsgHookGetHook)();
// Null: no SUB (null).
MessageSub CallWin32MsgHookGet();
