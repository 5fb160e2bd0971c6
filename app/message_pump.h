// The main window's procedure and the message pump.
//
// Window messages are handled only while a pump runs: the frame end, the
// idle and wait loops call PumpMessages, and start-up installs it for the
// layers below (process/frame_hooks.h: the frame wait of the 2D engine, the
// window-mode changes, movie playback).
#pragma once

#include "platform/events.h"

// Drains the window's pending messages through MainWindowProc. With a hook,
// the hook is called once before each message is taken. Always returns 1.
int PumpMessages(void (*hook)());

// Handles one message: deactivation pauses and activation resumes (not in
// debug mode; the title shows " <pause>" while paused), closing the window
// ends the program, and typed characters, keys and mouse messages go to the
// input device (InputOnWindowMessage; key and mouse states themselves are
// kept by the event layer, platform/input_state.h).
void MainWindowProc(const PlatformEvent& event);
