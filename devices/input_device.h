// The one input object: keyboard state and key-code table, mouse records,
// the typed-character queue, and the joystick slots.
//
// Keys and the mouse come from our own state kept from the window's events
// (platform/input_state.h); the "devices" here are flags that say which way
// a reading goes. Start-up calls InputCreate and then InputInit once the
// window exists; teardown calls InputFree. Main thread only.
#pragma once

#include <cstdint>

#include "core/grow_array.h"

struct PlatformEvent;
struct PlatformJoystick;
struct PlatformWindow;

inline constexpr int kJoystickSlots = 10;
inline constexpr int kJoystickNameSize = 522;
inline constexpr int32_t kInputNoInterface = static_cast<int32_t>(0x8000000A);
inline constexpr int32_t kInputNoMouse = static_cast<int32_t>(0x8000000C);
inline constexpr int32_t kMouseLevelExclusive = 5;     // relative, pointer captured
inline constexpr int32_t kMouseLevelNonExclusive = 6;

// One mouse: current point, reference point, summed wheel steps.
struct MouseRecord {
  int32_t x;
  int32_t y;
  int32_t referenceX;
  int32_t referenceY;
  int32_t wheelSum;
};

struct InputDevice {
  GrowArray<uint8_t> typed;        // typed characters, oldest first
  GrowArray<MouseRecord> mice;     // one record
  int32_t selectedMouse = 0;
  bool interfaceReady = false;     // the input layer is up
  bool keyboardDevice = false;     // keys read from the key-state array by scan code
  bool mouseDevice = false;        // the exclusive (relative) mouse
  bool joystickLayer = false;      // the joystick layer was started
  bool joystickDue = false;        // InputInit ran; the joystick layer starts on first use
  PlatformJoystick* joysticks[kJoystickSlots] = {};  // none for slots not filled
  char joystickNames[kJoystickSlots][kJoystickNameSize] = {};
  uint8_t keyboardState[256] = {};  // bit 7 = down
  PlatformWindow* window = nullptr;
  uint8_t pointerMode = 0;         // 0 relative and hidden, 1 absolute and shown
  int32_t mouseLevel = kMouseLevelNonExclusive;
  int32_t joystickCount = 0;
  uint16_t keyCodes[256] = {};     // key index to Windows virtual key
};

// Empty queue, one mouse record (0, 0, 100, 100, 0), no devices.
void InputCreate(InputDevice& input);

// Start-up on the window: keyboard with the identity key-code table, the
// exclusive mouse when asked for (else the pointer shown, absolute). The
// joysticks are found on first use (devices/joystick.h): starting the
// joystick layer scans the system's devices, which start-up need not wait
// for. 1 on success, kInputNoMouse when the mouse cannot
// be set up (logged "No DX_Mouse").
int32_t InputInit(InputDevice& input, PlatformWindow* window, void* instance,
                  bool exclusiveMouse);

// Shows the pointer again and releases the devices (joysticks included),
// the queue and the mouse records.
void InputFree(InputDevice& input);

// A character, key or mouse message from the window procedure: a typed
// character goes to the queue of the input started last by InputInit;
// nothing while none is started (or after its InputFree).
void InputOnWindowMessage(const PlatformEvent& event);

// The joysticks found (starting the joystick layer when it is due).
int32_t JoystickCount(InputDevice& input);
// Copies the name of joystick n (kJoystickNameSize bytes); "" when n is out
// of range.
void JoystickName(InputDevice& input, char* out, int32_t n);
