// Keyboard and mouse state kept by our own code from the window's events.
//
// Every event that the event layer translates (platform/events.h) also
// updates this state, so any code that pumps events keeps it current, and
// events pushed with SDL_PushEvent are faithful test input. Keys use the
// scan-code numbering of platform/events.h. Main thread only.
#pragma once

#include <cstdint>

struct PlatformEvent;
struct PlatformWindow;

// Applies one translated event to the state.
void PlatformInputFeed(const PlatformEvent& event);

// Forgets every key, button, sum and the position; the window counts as
// active again.
void PlatformInputReset();

// Whether the key is down now.
bool PlatformKeyDown(int key);
// 0x80 for every key that is down or went down since the last snapshot
// (so a tap between two reads is not lost), 0 for the others.
void PlatformKeyboardSnapshot(uint8_t state[256]);

// Whether the window has the input focus (true until a focus loss).
bool PlatformWindowActive();

// The buttons of mask (bit 0 left, bit 1 right, bit 2 middle) that are
// down now or were pressed since they were last read.
uint32_t PlatformMouseButtons(uint32_t mask = 7);
// The last pointer position in window pixels.
void PlatformMousePosition(int* x, int* y);
// Sets the tracked position (after the pointer was moved by the program).
void PlatformMouseSetPosition(int x, int y);
// Takes the relative motion and the wheel steps summed since the last
// take, and sets the sums to 0.
void PlatformMouseTakeMotion(int* dx, int* dy, int* wheel);

// Relative mouse mode (pointer captured, motion only); refusal is harmless.
void PlatformSetRelativeMouse(bool on);
void PlatformShowCursor(bool shown);
// Moves the pointer to a window pixel and tracks it there.
void PlatformWarpMouse(PlatformWindow* window, int x, int y);
