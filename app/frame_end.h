// The end of every frame: input, end keys, message pump, buffer swap and
// frame pacing, and the commands that steer it.
#pragma once

#include <cstdint>

// FrameEnd, then ResetRenderState2D (gfx2d/render_state.h): the command
// that ends each frame.
void ShowScreen();

// Brings the window to the front when asked, takes the frame times, idles
// while paused, reads the keyboard and mice, ends the program on ESC (when
// allowed) or left Alt with F4, pumps messages and swaps the buffers at the
// frame rate. Does not return when it ends the program.
void FrameEnd();

// Allows (any value but 0; a NaN counts as not 0) or forbids ending the
// program with ESC.
void AllowEscape(double value);
int32_t AllowEscapeGet();

// Reports a break point to an attached debugger ("BP" and the line in hex)
// and resumes the program; nothing without a debugger.
void DebugBreakReport(int32_t line);

// Whether the key (a scan-code index 0 to 255) is down.
bool KeyIsDown(int32_t index);

// The game's "VNL_WIN32_MSG" SUB, or null; looked up once per process.
void (*Win32MsgHookGet())();
