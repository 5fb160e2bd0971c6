// The window's events as neutral messages.
//
// Keys are numbered as keyboard scan codes of the PC set 1 (Esc 1, Enter 28,
// Left Alt 56, F4 62), extended keys with 128 added (Right Ctrl 157, the
// arrow keys 200, 203, 205, 208); 0 is a key without a number.
#pragma once

#include <cstdint>

enum class PlatformEventType {
  kActivate,     // the window gained the input focus
  kDeactivate,   // the window lost the input focus
  kClose,        // the user asked to close the window, or SIGTERM/SIGINT came
  kChar,         // a typed character (8-bit), in `character`
  kKeyDown,      // `key` went down (also on auto-repeat)
  kKeyUp,        // `key` went up
  kMouseButtonDown,  // `button` 0 left, 1 right, 2 middle, 3 and 4 extra
  kMouseButtonUp,
  kMouseMotion,  // `x`, `y` in window pixels, `dx`, `dy` relative
  kMouseWheel,   // `wheel` in notches, positive away from the user
  kOther,        // anything else the system sent
};

struct PlatformEvent {
  PlatformEventType type = PlatformEventType::kOther;
  int key = 0;
  uint8_t character = 0;
  int button = 0;
  int x = 0;
  int y = 0;
  int dx = 0;
  int dy = 0;
  int wheel = 0;
};

// Takes the next pending event; false when none is waiting. One system event
// can give several messages (a key press with its typed character).
bool PlatformPollEvent(PlatformEvent* event);

// True when an event is waiting, without taking it.
bool PlatformEventPending();

// The scan-code number of a key named by its SDL scan code; 0 when the key
// has none.
int PlatformKeyNumberFromScancode(int sdl_scancode);

// The character a key gives under the current keyboard layout (letters in
// upper case when shifted); 0 when it gives none.
int PlatformKeyCharacter(int key_number, bool shifted);
