// Game controllers and their force feedback, over SDL's joystick and haptic
// layers.
//
// Devices are read on demand: each read first lets SDL take in what the
// devices reported and notice devices plugged in or out, so no joystick
// events pass through the window's event queue. A handle whose device was
// unplugged reads as gone until a device of the same identity (the same
// GUID) that no other handle holds is plugged in again; the handle then
// takes it over. Main thread only.
#pragma once

#include <cstdint>

struct PlatformJoystick;

inline constexpr int kJoystickButtonBytes = 32;
inline constexpr int kJoystickPovs = 4;
inline constexpr uint32_t kJoystickPovCentred = 0xFFFFFFFFu;

// One reading. Axes run from -32768 to 32768 (the device's whole travel,
// centre 0, no dead zone); axes the device lacks read 0. POV hats are in
// hundredths of a degree clockwise from up (0, 4500 ... 31500), or
// kJoystickPovCentred when centred or missing. Buttons are 0x80 down, 0 up.
struct PlatformJoystickState {
  int32_t x;
  int32_t y;
  int32_t z;
  int32_t rx;
  int32_t ry;
  int32_t rz;
  int32_t sliders[2];
  uint32_t povs[kJoystickPovs];
  uint8_t buttons[kJoystickButtonBytes];
};

// A constant force. magnitude 0..10000 (full force), direction as a vector
// of -32767..32767 per axis pointing where the force comes from, duration in
// microseconds, played iterations times (0xFFFFFFFF: until stopped).
struct PlatformConstantForce {
  int32_t magnitude;
  int32_t directionX;
  int32_t directionY;
  uint32_t durationMicros;
  uint32_t iterations;
};

// Starts the joystick layer (and force feedback where the system has it);
// false when there is no joystick layer. Each successful start is ended by
// one PlatformJoystickStop.
bool PlatformJoystickStart();
void PlatformJoystickStop();

// The number of devices attached now.
int PlatformJoystickDeviceCount();

// Opens the device at index (0 .. count - 1) and writes its name into name
// (nameSize bytes, zero-terminated, cut to fit); null when it cannot be
// opened.
PlatformJoystick* PlatformJoystickOpen(int index, char* name, int nameSize);
// Closes the handle and stops what force it was playing; null is allowed.
void PlatformJoystickClose(PlatformJoystick* joystick);

// Reads the device into out; false, with out untouched, when the device is
// gone.
bool PlatformJoystickRead(PlatformJoystick* joystick, PlatformJoystickState* out);

// Stops and removes the force this handle started before, then starts the
// given one; a duration of 0 only stops. False, with nothing started, when
// the device is gone or cannot play a constant force.
bool PlatformJoystickConstantForce(PlatformJoystick* joystick, const PlatformConstantForce& force);
