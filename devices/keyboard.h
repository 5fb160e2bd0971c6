// The keyboard: key-code table, keyboard reads, the key-state command and
// the typed-character queue. Keys are numbered by scan code (1 Escape,
// 57 space, 200 cursor up ...).
#pragma once

#include <cstdint>

#include "core/grow_array.h"
#include "core/rt_string.h"

struct InputDevice;

// mode 1: identity table (keys read by scan code). Any other mode: no
// keyboard device, and the table maps scan codes to Windows virtual keys
// (255 where none).
void KeyCodeTable(InputDevice& input, uint8_t mode);

// Copies the current key states while the game window is active; while it
// is not, the previous state stays.
void KeyboardUpdate(InputDevice& input);

// The key-down rule without counting or re-reading: with a keyboard device
// bit 7 of the key's state byte; without one, the key-code table's virtual
// key is down.
bool InputKeyIsDown(const InputDevice& input, uint8_t key);

// Language command: counts the call (g_app.keyTestCounter; above 128 the
// keyboard is re-read) and answers whether key is down.
bool KeyState(uint8_t key);

// The most characters the typed-character queue holds.
inline constexpr int32_t kKeyBufferLimit = 16;

// Queues one typed character: 0 and control codes other than 8, 9 and 10
// are dropped, 13 becomes 10, and nothing is added while 16 characters wait.
// A queue whose block cannot grow is emptied and the character dropped.
void KeyBufferPush(GrowArray<uint8_t>& queue, uint8_t c);

// The oldest typed character, removed; 0 when none; 13 comes out as 10.
int32_t InputPopChar(GrowArray<uint8_t>& queue);
// Removes the oldest typed character; true when there was one and not 0.
bool InputPopKeyPressed(GrowArray<uint8_t>& queue);
// Language command: the oldest typed character as a one-character string,
// "" when nothing was typed.
RtString KeyTypedString();

// The character a scan code gives on a plain (German-layout) keyboard with
// the current shift state; 0 for none.
int8_t KeyToChar(uint32_t scan);
