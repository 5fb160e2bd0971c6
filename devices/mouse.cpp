#include "devices/mouse.h"

#include <cstdint>

#include "devices/input_device.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "platform/gl_window.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

int32_t Clamp(int64_t value, int64_t low, int64_t high) {
  if (value < low) return static_cast<int32_t>(low);
  if (value > high) return static_cast<int32_t>(high);
  return static_cast<int32_t>(value);
}

// The record in use, or null when there is none.
MouseRecord* Selected(InputDevice& input) {
  if (input.selectedMouse < 0 || input.selectedMouse >= input.mice.count) return nullptr;
  return &input.mice[input.selectedMouse];
}

}  // namespace

uint32_t MouseRead(InputDevice& input, int32_t& x, int32_t& y, int32_t& wheel) {
  wheel = 0;
  int dx = 0;
  int dy = 0;
  int steps = 0;
  PlatformMouseTakeMotion(&dx, &dy, &steps);
  // Only the exclusive mouse reports the wheel, as its sign.
  if (input.mouseDevice) wheel = steps > 0 ? 1 : (steps < 0 ? -1 : 0);
  int64_t nx = x;
  int64_t ny = y;
  if (input.pointerMode == 0) {
    nx += dx;
    ny += dy;
  } else {
    int px = 0;
    int py = 0;
    PlatformMousePosition(&px, &py);
    nx = px;
    ny = py;
  }
  const uint32_t buttons = PlatformMouseButtons(7);

  // Kept inside the client area (its right and bottom edges included).
  int width = INT32_MAX;
  int height = INT32_MAX;
  if (input.window != nullptr) PlatformWindowGetSize(input.window, &width, &height);
  x = Clamp(nx, 0, width);
  y = Clamp(ny, 0, height);
  return buttons;
}

uint32_t MousePoll(InputDevice& input, uint16_t out[6], bool consume) {
  for (int i = 0; i < 6; ++i) out[i] = 0;
  MouseRecord* r = Selected(input);
  if (r == nullptr) return 0;
  int32_t x = input.pointerMode == 1 ? r->referenceX : r->x;
  int32_t y = input.pointerMode == 1 ? r->referenceY : r->y;
  int32_t wheel = 0;
  const uint32_t buttons = MouseRead(input, x, y, wheel);
  if (input.pointerMode != 1) {
    r->x = x;
    r->y = y;
  }
  const int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(wheel) + static_cast<uint32_t>(r->wheelSum));
  out[0] = buttons & 1u;
  out[1] = (buttons >> 1) & 1u;
  out[2] = (buttons >> 2) & 1u;
  out[3] = static_cast<uint16_t>(static_cast<uint32_t>(x) - static_cast<uint32_t>(r->referenceX));
  out[4] = static_cast<uint16_t>(static_cast<uint32_t>(y) - static_cast<uint32_t>(r->referenceY));
  out[5] = static_cast<uint16_t>(sum);
  if (!consume) {
    r->wheelSum = sum;
    return buttons;
  }
  if (input.pointerMode == 1) {
    r->x = r->referenceX = x;
    r->y = r->referenceY = y;
  } else {
    r->referenceX = r->x;
    r->referenceY = r->y;
  }
  r->wheelSum = 0;
  return buttons;
}

bool MouseAnyButton(InputDevice& input) {
  uint16_t out[6];
  for (int32_t i = 0; i < input.mice.count; ++i) MousePoll(input, out, true);
  MousePoll(input, out, false);
  return out[0] != 0 || out[1] != 0 || out[2] != 0;
}

int32_t MouseCount() { return 1; }

void MouseSelect(InputDevice& input, int32_t) { input.selectedMouse = 0; }

void MouseSetLevel(InputDevice& input, int32_t level) {
  input.mouseLevel = level;
  if (input.mouseDevice) PlatformSetRelativeMouse(level == kMouseLevelExclusive);
}

void SystemPointerShow(InputDevice& input, bool show) {
  if (input.mouseDevice) MouseSetLevel(input, show ? kMouseLevelNonExclusive : kMouseLevelExclusive);
  if (show) {
    MouseRecord* r = Selected(input);
    if (input.pointerMode == 0 && r != nullptr) PlatformWarpMouse(input.window, r->referenceX, r->referenceY);
    PlatformShowCursor(true);
    input.pointerMode = 1;
  } else {
    PlatformShowCursor(false);
    input.pointerMode = 0;
  }
}

void MouseState(int32_t& x, int32_t& y, int32_t& b1, int32_t& b2) {
  x = y = b1 = b2 = 0;
  InputDevice* input = g_app.input;
  OpenGLDodevudi* engine = g_app.engine2d;
  if (input == nullptr || engine == nullptr) return;
  uint16_t out[6];
  MousePoll(*input, out, true);
  b1 = out[0];
  b2 = out[1];
  MouseRecord* r = Selected(*input);
  if (r == nullptr) return;
  int32_t sx = 0;
  int32_t sy = 0;
  ScreenPointFromWindow(*engine, r->referenceX, r->referenceY, &sx, &sy);
  const bool turned = engine->orientation == 1 || engine->orientation == 3;
  const int32_t w = turned ? engine->screenHeight : engine->screenWidth;
  const int32_t h = turned ? engine->screenWidth : engine->screenHeight;
  sx = Clamp(sx, 0, w);
  sy = Clamp(sy, 0, h);
  OrientPoint(*engine, sx, sy, &r->referenceX, &r->referenceY);
  x = sx;
  y = sy;
}

void MouseStateF(double& x, double& y, double& b1, double& b2) {
  int32_t ix = 0;
  int32_t iy = 0;
  int32_t ib1 = 0;
  int32_t ib2 = 0;
  MouseState(ix, iy, ib1, ib2);
  x = ix;
  y = iy;
  b1 = ib1;
  b2 = ib2;
}

int32_t MouseQuery(uint32_t what) {
  InputDevice* input = g_app.input;
  OpenGLDodevudi* engine = g_app.engine2d;
  if (input == nullptr || engine == nullptr) return 0;
  uint16_t out[6];
  MousePoll(*input, out, false);
  int32_t qx = 0;
  int32_t qy = 0;
  ScreenPointFromWindow(*engine, static_cast<int16_t>(out[3]), static_cast<int16_t>(out[4]), &qx, &qy);
  switch (what) {
    case 0: return qx;
    case 1: return qy;
    case 2: return static_cast<int16_t>(out[5]);
    case 3: return out[0];
    case 4: return out[1];
    case 5: return out[2];
    default: return 0;
  }
}

int32_t MouseGetCount() { return MouseCount(); }

void MouseUse(int32_t n) {
  if (g_app.input == nullptr) return;
  MouseSelect(*g_app.input, n < MouseCount() ? n : 0);
}

void SystemPointer(double show) {
  if (g_app.input != nullptr) SystemPointerShow(*g_app.input, show != 0.0);
}

void SetMousePosition(int32_t x, int32_t y) {
  InputDevice* input = g_app.input;
  OpenGLDodevudi* engine = g_app.engine2d;
  if (input == nullptr || engine == nullptr) return;
  MouseRecord* r = Selected(*input);
  if (r == nullptr) return;
  int32_t wx = 0;
  int32_t wy = 0;
  OrientPoint(*engine, x, y, &wx, &wy);
  r->x = r->referenceX = wx;
  r->y = r->referenceY = wy;
}
