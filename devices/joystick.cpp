#include "devices/joystick.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/float_to_int.h"
#include "core/min_max.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

constexpr double kAxisScale = 32767.0;
constexpr double kActivity = 0.1;

// Axes centred, buttons up, hats centred. (All zero bytes would read as a
// hat pushed up.)
PlatformJoystickState CentredState() {
  PlatformJoystickState state;
  std::memset(&state, 0, sizeof(state));
  for (uint32_t& pov : state.povs) pov = kJoystickPovCentred;
  return state;
}

// A fresh reading of joystick n; centred when there is none.
PlatformJoystickState Read(int32_t n) {
  PlatformJoystickState state = CentredState();
  if (g_app.input != nullptr) JoystickPoll(*g_app.input, state, n);
  return state;
}

double Clamp1(double value) { return MaxF(-1.0, MinDoubleFloat(value, 1.0f)); }

// The pair (a, b) turned with the screen orientation, as a movement.
void Turned(int32_t a, int32_t b, int32_t* outA, int32_t* outB) {
  *outA = a;
  *outB = b;
  if (g_app.engine2d != nullptr) OrientDelta(*g_app.engine2d, a, b, outA, outB);
}

double TurnedAxis(int32_t a, int32_t b, bool second) {
  int32_t ta = 0;
  int32_t tb = 0;
  Turned(a, b, &ta, &tb);
  return Clamp1((second ? tb : ta) / kAxisScale);
}

// One component of the turned X/Y stick (rotation: the RX/RY stick) of
// joystick n.
double StickAxis(int32_t n, bool rotation, bool second) {
  const PlatformJoystickState s = Read(n);
  return rotation ? TurnedAxis(s.rx, s.ry, second) : TurnedAxis(s.x, s.y, second);
}

bool PovPushed(uint32_t pov) {
  return pov <= 31500 && pov % 4500 == 0;
}

// The first hat as a screen direction: its right/left and up/down parts
// turned as window pixels turn into screen points, without the offset of
// that mapping (a direction has no position).
void PovDirection(int32_t n, int32_t* dx, int32_t* dy) {
  const uint32_t pov = Read(n).povs[0];
  int32_t px = 0;
  int32_t py = 0;
  if (pov == 4500 || pov == 9000 || pov == 13500) px = 1;
  if (pov == 22500 || pov == 27000 || pov == 31500) px = -1;
  if (pov == 0 || pov == 4500 || pov == 31500) py = -1;
  if (pov == 13500 || pov == 18000 || pov == 22500) py = 1;
  *dx = px;
  *dy = py;
  const OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;
  ScreenPointFromWindow(*engine, 0, 0, &x0, &y0);
  ScreenPointFromWindow(*engine, px, py, &x1, &y1);
  *dx = x1 - x0;
  *dy = y1 - y0;
}

// Unit range with NaN as 0.
float ClampForce(float value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(Clamp1(value));
}

}  // namespace

bool JoystickEnumCallback(int deviceIndex, JoystickEnumContext& context) {
  if (context.count >= kJoystickSlots) return false;
  // Both halves of "<instance>, <product>" are the one name, so each gets
  // half the field.
  char name[(kJoystickNameSize - 2) / 2] = {};
  PlatformJoystick* device = PlatformJoystickOpen(deviceIndex, name, sizeof(name));
  if (device == nullptr) return true;
  const int32_t slot = context.count;
  context.devices[slot] = device;
  std::snprintf(context.names[slot], kJoystickNameSize, "%s, %s", name, name);
  context.count = slot + 1;
  return true;
}

void JoystickStartup(InputDevice& input) {
  JoystickShutdown(input);
  if (!PlatformJoystickStart()) return;
  input.joystickLayer = true;
  JoystickEnumContext context;
  std::memset(&context, 0, sizeof(context));
  const int devices = PlatformJoystickDeviceCount();
  for (int i = 0; i < devices; ++i) {
    if (!JoystickEnumCallback(i, context)) break;
  }
  input.joystickCount = context.count;
  for (int32_t i = 0; i < context.count; ++i) {
    input.joysticks[i] = context.devices[i];
    std::memcpy(input.joystickNames[i], context.names[i], kJoystickNameSize);
  }
}

void JoystickStartIfDue(InputDevice& input) {
  if (!input.joystickDue) return;
  input.joystickDue = false;
  JoystickStartup(input);
}

void JoystickShutdown(InputDevice& input) {
  input.joystickDue = false;
  for (PlatformJoystick*& joystick : input.joysticks) {
    PlatformJoystickClose(joystick);
    joystick = nullptr;
  }
  input.joystickCount = 0;
  if (input.joystickLayer) PlatformJoystickStop();
  input.joystickLayer = false;
}

bool JoystickPoll(InputDevice& input, PlatformJoystickState& out, int32_t n) {
  JoystickStartIfDue(input);
  PlatformJoystick* device = n >= 0 && n < kJoystickSlots ? input.joysticks[n] : nullptr;
  if (device == nullptr) {
    if (n != 0 && n != 1) return false;
    out = CentredState();
    return true;
  }
  // Read only in the foreground; a device that is gone reads as centred.
  if (!PlatformWindowActive() || !PlatformJoystickRead(device, &out)) out = CentredState();
  return true;
}

void JoystickEffect(InputDevice& input, int32_t n, uint32_t iterations, float duration, float x,
                    float y) {
  JoystickStartIfDue(input);
  if (n < 0 || n >= kJoystickSlots || input.joysticks[n] == nullptr) return;
  if (!PlatformWindowActive()) return;
  x = ClampForce(x);
  y = ClampForce(y);
  // A duration that is not above 0 (or NaN) only stops the earlier force,
  // rather than becoming a huge unsigned count of microseconds; a longer
  // one than the count holds plays for the longest.
  const double micros = static_cast<double>(duration) * 1000.0;
  PlatformConstantForce force;
  force.magnitude = TruncToInt32((static_cast<double>(x) * x + static_cast<double>(y) * y) * 10000.0 * 0.5);
  force.directionX = TruncToInt32(x * kAxisScale);
  force.directionY = TruncToInt32(y * kAxisScale);
  force.durationMicros = micros > 0 ? static_cast<uint32_t>(MinF(micros, 2147483647.0)) : 0;
  force.iterations = iterations;
  PlatformJoystickConstantForce(input.joysticks[n], force);
}

bool JoystickActive(InputDevice& input, int32_t n) {
  PlatformJoystickState s = CentredState();
  JoystickPoll(input, s, n);
  for (uint8_t button : s.buttons) {
    if (button != 0) return true;
  }
  const auto moved = [](double v) { return v > kActivity || v < -kActivity; };
  if (moved(TurnedAxis(s.x, s.y, false)) || moved(TurnedAxis(s.x, s.y, true))) return true;
  if (moved(Clamp1(s.z / kAxisScale))) return true;
  return PovPushed(s.povs[0]);
}

void JoystickRead(int32_t& x, int32_t& y, int32_t& b1, int32_t& b2) {
  const PlatformJoystickState s = Read(0);
  x = s.x / 30000;
  y = s.y / 30000;
  b1 = s.buttons[0];
  b2 = s.buttons[1];
}

void JoystickReadF(double& x, double& y, double& b1, double& b2) {
  int32_t ix = 0;
  int32_t iy = 0;
  int32_t ib1 = 0;
  int32_t ib2 = 0;
  JoystickRead(ix, iy, ib1, ib2);
  x = ix;
  y = iy;
  b1 = ib1;
  b2 = ib2;
}

double JoystickAxisX(int32_t n) { return StickAxis(n, false, false); }
double JoystickAxisY(int32_t n) { return StickAxis(n, false, true); }
double JoystickAxis(int32_t n) { return Clamp1(Read(n).z / kAxisScale); }
double JoystickAxisRX(int32_t n) { return StickAxis(n, true, false); }
double JoystickAxisRY(int32_t n) { return StickAxis(n, true, true); }
double JoystickAxisRZ(int32_t n) { return Clamp1(Read(n).rz / kAxisScale); }

int32_t JoystickPovX(int32_t n) {
  int32_t dx = 0;
  int32_t dy = 0;
  PovDirection(n, &dx, &dy);
  return dx;
}

int32_t JoystickPovY(int32_t n) {
  int32_t dx = 0;
  int32_t dy = 0;
  PovDirection(n, &dx, &dy);
  return dy;
}

RtString JoystickGetName(int32_t n) {
  RtString name;
  char* buffer = StringGetBuffer(name, kJoystickNameSize);
  buffer[0] = 0;
  if (g_app.input != nullptr) JoystickName(*g_app.input, buffer, n);
  StringSyncLength(name);
  return name;
}

int32_t JoystickGetCount() { return g_app.input != nullptr ? JoystickCount(*g_app.input) : 0; }

void JoystickForce(int32_t n, double duration, double x, double y) {
  if (g_app.input == nullptr) return;
  JoystickEffect(*g_app.input, n, 1, NarrowToFloat(duration), NarrowToFloat(x), NarrowToFloat(y));
}
