// The main window's procedure and the message pump.
//
// Window messages are handled only while a pump runs: the frame end, the
// idle and wait loops, the frame wait of the 2D engine and the window-mode
// changes call PumpMessages.
#pragma once

#include <cstdint>

#include "core/grow_array.h"
#include "platform/events.h"

// Drains the window's pending messages through MainWindowProc. With a hook,
// the hook is called once before each message is taken. Always returns 1.
int PumpMessages(void (*hook)());

// Handles one message: deactivation pauses and activation resumes (not in
// debug mode; the title shows " <pause>" while paused), closing the window
// ends the program, and typed characters, keys and mouse messages go to the
// input handler (key and mouse states themselves are kept by the event
// layer, platform/input_state.h).
void MainWindowProc(const PlatformEvent& event);

// The input device's handler for character, key and mouse messages; the
// input code installs it when it starts and removes it (null) when it ends.
void MessagePumpSetInputHandler(void (*handler)(const PlatformEvent& event));

// The most characters the typed-character queue holds.
inline constexpr int32_t kKeyBufferLimit = 16;

// Queues one typed character: 0 and control codes other than 8, 9 and 10
// are dropped, 13 becomes 10, and nothing is added while 16 characters wait.
// A queue whose block cannot grow is emptied and the character dropped.
void KeyBufferPush(GrowArray<uint8_t>& queue, uint8_t c);
