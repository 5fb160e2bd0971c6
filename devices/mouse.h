// Mouse records and the mouse commands. A poll reports the movement since
// the record's reference point; a consuming poll moves the reference on.
#pragma once

#include <cstdint>

struct InputDevice;

// One raw read into x, y (current point in, new point out) and wheel (the
// sign of the wheel steps since the last read; 0 without the exclusive
// mouse). Buttons: bit 0 left, bit 1 right, bit 2 middle.
uint32_t MouseRead(InputDevice& input, int32_t& x, int32_t& y, int32_t& wheel);

// Polls the selected record: out = button 1, 2, 3 down, x and y change
// since the reference point, wheel sum (the last three as signed 16-bit).
// Returns the buttons.
uint32_t MousePoll(InputDevice& input, uint16_t out[6], bool consume);

bool MouseAnyButton(InputDevice& input);
int32_t MouseCount();
void MouseSelect(InputDevice& input, int32_t n);

// Switches the mouse's cooperative level (exclusive: relative mouse mode).
void MouseSetLevel(InputDevice& input, int32_t level);

// The pointer shown (absolute positions, arrow cursor, pointer mode 1) or
// hidden (relative movement, pointer mode 0); the exclusive mouse takes
// the non-exclusive level while shown.
void SystemPointerShow(InputDevice& input, bool show);

// Language commands over g_app.input and g_app.engine2d.
void MouseState(int32_t& x, int32_t& y, int32_t& b1, int32_t& b2);
void MouseStateF(double& x, double& y, double& b1, double& b2);
int32_t MouseQuery(uint32_t what);
int32_t MouseGetCount();
void MouseUse(int32_t n);
void SystemPointer(double show);
void SetMousePosition(int32_t x, int32_t y);
