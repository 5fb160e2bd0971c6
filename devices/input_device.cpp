#include "devices/input_device.h"

#include <cstring>

#include "devices/joystick.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "files/error_log.h"
#include "platform/events.h"
#include "platform/input_state.h"

namespace {

constexpr MouseRecord kFreshMouse = {0, 0, 100, 100, 0};

// The input that receives the window's typed characters.
InputDevice* g_receiver = nullptr;

}  // namespace

void InputOnWindowMessage(const PlatformEvent& event) {
  if (event.type == PlatformEventType::kChar && g_receiver != nullptr) {
    KeyBufferPush(g_receiver->typed, event.character);
  }
}

void InputCreate(InputDevice& input) {
  input.typed.Release();
  input.typed.step = 128;
  input.typed.first = 512;
  input.mice.Release();
  input.mice.step = 1;
  input.mice.first = 4;
  if (input.mice.Reserve(0)) {
    for (int32_t i = 0; i < input.mice.capacity; ++i) input.mice[i] = kFreshMouse;
    input.mice.count = 1;
  }
  input.selectedMouse = 0;
  input.interfaceReady = false;
  input.keyboardDevice = false;
  input.mouseDevice = false;
  input.joystickLayer = false;
  input.joystickDue = false;
  for (PlatformJoystick*& joystick : input.joysticks) joystick = nullptr;
  std::memset(input.joystickNames, 0, sizeof(input.joystickNames));
  input.window = nullptr;
  input.pointerMode = 0;
  input.joystickCount = 0;
}

int32_t InputInit(InputDevice& input, PlatformWindow* window, void* /*instance*/, bool exclusiveMouse) {
  int32_t result = 1;
  input.selectedMouse = 0;
  input.interfaceReady = true;
  input.window = window;
  g_receiver = &input;

  // The pointer's position in the window becomes the current and reference
  // point.
  if (input.mice.count > 0) {
    int x = 0;
    int y = 0;
    PlatformMousePosition(&x, &y);
    MouseRecord& mouse = input.mice[input.selectedMouse];
    mouse.x = mouse.referenceX = x;
    mouse.y = mouse.referenceY = y;
  } else {
    result = kInputNoMouse;
    ErrorLogAppend("No DX_Mouse\n");
  }
  std::memset(input.keyboardState, 0, sizeof(input.keyboardState));

  // The keyboard is our own key-state array, read by scan code.
  input.keyboardDevice = true;
  KeyCodeTable(input, 1);

  input.pointerMode = 0;
  if (!exclusiveMouse) {
    input.mouseDevice = false;
    input.mouseLevel = kMouseLevelNonExclusive;
    PlatformSetRelativeMouse(false);
    if (input.mice.count > 0) {
      const MouseRecord& mouse = input.mice[input.selectedMouse];
      PlatformWarpMouse(window, mouse.referenceX, mouse.referenceY);
    }
    PlatformShowCursor(true);
    input.pointerMode = 1;
  } else {
    input.mouseDevice = true;
    input.mouseLevel = kMouseLevelExclusive;
    PlatformSetRelativeMouse(true);
  }

  JoystickShutdown(input);
  input.joystickDue = true;
  return result;
}

void InputFree(InputDevice& input) {
  if (g_receiver == &input) g_receiver = nullptr;
  SystemPointerShow(input, true);
  if (input.mouseDevice) PlatformSetRelativeMouse(false);
  input.mouseDevice = false;
  input.keyboardDevice = false;
  JoystickShutdown(input);
  input.interfaceReady = false;
  input.typed.Release();
  input.mice.Release();
}

int32_t JoystickCount(InputDevice& input) {
  JoystickStartIfDue(input);
  return input.joystickCount;
}

void JoystickName(InputDevice& input, char* out, int32_t n) {
  JoystickStartIfDue(input);
  out[0] = 0;
  if (n < 0 || n >= input.joystickCount || n >= kJoystickSlots) return;
  std::memcpy(out, input.joystickNames[n], kJoystickNameSize);
  out[kJoystickNameSize - 1] = 0;
}
