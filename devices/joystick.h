// Joysticks: finding them at start-up, reading them, the joystick commands
// and the constant-force effect.
//
// Up to kJoystickSlots devices attached when joysticks are first used (the
// joystick layer starts then, not at start-up) are numbered 0 .. count - 1
// in the order the system lists them; devices plugged in later are not
// added. A device unplugged while in use reads as centred until it is
// plugged in again. Readings follow the foreground rule: while the game
// window is not active every joystick reads as centred and plays no force.
// Commands scale the axes to -1..1 and turn them with the screen
// orientation of the 2D engine. Main thread only.
#pragma once

#include <cstdint>

#include "core/rt_string.h"
#include "devices/input_device.h"
#include "platform/joystick.h"

// What the start-up enumeration collects.
struct JoystickEnumContext {
  int32_t count;
  PlatformJoystick* devices[kJoystickSlots];
  char names[kJoystickSlots][kJoystickNameSize];
};

// One attached device (by the system's index): opened and named
// "<name>, <name>" (the device's name as both instance and product name).
// False when ten are already held (the enumeration stops); a device that
// cannot be opened is skipped.
bool JoystickEnumCallback(int deviceIndex, JoystickEnumContext& context);

// Start-up: finds the attached joysticks and stores their handles, names and
// count in the input device. Without a joystick layer the count is 0.
void JoystickStartup(InputDevice& input);
// The first use of joysticks after InputInit: runs JoystickStartup once.
// Every joystick command, the count and name queries and the idle step's
// activity test come through here, so the devices are those attached at
// the first use.
void JoystickStartIfDue(InputDevice& input);
// Teardown: closes every joystick and leaves the joystick layer.
void JoystickShutdown(InputDevice& input);

// Reads joystick n into out. A joystick that exists reads its state, or the
// centred state (axes 0, buttons up, hats centred) when it cannot be read;
// true. Joysticks 0 and 1 without a device read as centred; true. Any other
// number without a device: false, out untouched.
bool JoystickPoll(InputDevice& input, PlatformJoystickState& out, int32_t n);

// Starts a constant force on joystick n when it has a device that can play
// one: strength (x² + y²) / 2 of full force after clamping x and y to -1..1
// (NaN counts as 0), coming from the direction (x, y), for duration
// milliseconds, iterations times. Any force this joystick played before is
// stopped first; a duration not above 0 (or NaN) only stops it.
void JoystickEffect(InputDevice& input, int32_t n, uint32_t iterations, float duration, float x,
                    float y);

// Whether a fresh poll of joystick n shows activity: a button down, the
// turned X or Y axis or the Z axis beyond 0.1 of the centre, or the first
// hat pushed.
bool JoystickActive(InputDevice& input, int32_t n);

// Language commands over g_app.input and g_app.engine2d.
// Joystick 0: x and y as whole numbers of 30000 units, b1 and b2 the first
// two button bytes (0x80 down).
void JoystickRead(int32_t& x, int32_t& y, int32_t& b1, int32_t& b2);
void JoystickReadF(double& x, double& y, double& b1, double& b2);
// Axes scaled to -1..1; X/Y and RX/RY turned with the screen orientation.
double JoystickAxisX(int32_t n);
double JoystickAxisY(int32_t n);
double JoystickAxis(int32_t n);
double JoystickAxisRX(int32_t n);
double JoystickAxisRY(int32_t n);
double JoystickAxisRZ(int32_t n);
// The first hat as -1, 0 or 1 per screen direction.
int32_t JoystickPovX(int32_t n);
int32_t JoystickPovY(int32_t n);
RtString JoystickGetName(int32_t n);
int32_t JoystickGetCount();
void JoystickForce(int32_t n, double duration, double x, double y);
