#include "devices/keyboard.h"

#include <cstring>

#include "devices/input_device.h"
#include "platform/events.h"
#include "platform/input_state.h"
#include "process/app_globals.h"

namespace {

constexpr uint16_t kNoKey = 255;

// Scan-code index to Windows virtual key, for reading without a keyboard
// device (a German key layout: 21 gives 'Z', 44 gives 'Y').
void VirtualKeyTable(uint16_t table[256]) {
  for (int i = 0; i < 256; ++i) table[i] = kNoKey;
  struct Range {
    int first;
    int last;
    uint16_t key;  // the key of `first`; each later index adds 1
  };
  static constexpr Range kRanges[] = {
      {0, 0, 13},     {1, 1, 27},     {2, 10, 49},    {11, 11, 48},   {12, 12, 219},
      {13, 13, 221},  {14, 14, 8},    {15, 15, 9},    {16, 16, 81},   {17, 17, 87},
      {18, 18, 69},   {19, 19, 82},   {20, 20, 84},   {21, 21, 90},   {22, 22, 85},
      {23, 23, 73},   {24, 24, 79},   {25, 25, 80},   {26, 26, 186},  {27, 27, 187},
      {28, 28, 13},   {29, 29, 17},   {30, 30, 65},   {31, 31, 83},   {32, 32, 68},
      {33, 33, 70},   {34, 34, 71},   {35, 35, 72},   {36, 36, 74},   {37, 37, 75},
      {38, 38, 76},   {39, 39, 192},  {40, 40, 222},  {41, 41, 220},  {42, 42, 16},
      {43, 43, 191},  {44, 44, 89},   {45, 45, 88},   {46, 46, 67},   {47, 47, 86},
      {48, 48, 66},   {49, 49, 78},   {50, 50, 77},   {51, 51, 188},  {52, 52, 190},
      {53, 53, 189},  {54, 54, 16},   {55, 55, 106},  {56, 56, 18},   {57, 57, 32},
      {58, 58, 0},    {59, 68, 112},  {69, 69, 144},  {70, 70, 145},  {71, 73, 103},
      {74, 74, 109},  {75, 77, 100},  {78, 78, 107},  {79, 81, 97},   {82, 82, 96},
      {83, 83, 110},  {86, 86, 226},  {87, 87, 122},  {88, 88, 123},  {156, 156, 28},
      {157, 157, 17}, {181, 181, 111}, {184, 184, 18}, {199, 199, 36}, {200, 200, 38},
      {201, 201, 33}, {203, 203, 37}, {205, 205, 39}, {207, 207, 35}, {208, 208, 40},
      {209, 209, 34}, {210, 210, 45}, {211, 211, 46}, {219, 221, 91},
  };
  for (const Range& range : kRanges) {
    for (int i = range.first; i <= range.last; ++i) {
      table[i] = static_cast<uint16_t>(range.key + (i - range.first));
    }
  }
}

const uint16_t* VirtualKeys() {
  static uint16_t table[256];
  static bool built = false;
  if (!built) {
    VirtualKeyTable(table);
    built = true;
  }
  return table;
}

// Whether a Windows virtual key is down: a mouse button, or any key whose
// scan code maps to it.
bool VirtualKeyDown(uint16_t key) {
  if (key == kNoKey) return false;
  if (key == 1) return PlatformMouseButtons(1) != 0;
  if (key == 2) return PlatformMouseButtons(2) != 0;
  if (key == 4) return PlatformMouseButtons(4) != 0;
  const uint16_t* table = VirtualKeys();
  for (int scan = 0; scan < 256; ++scan) {
    if (table[scan] == key && PlatformKeyDown(scan)) return true;
  }
  return false;
}

}  // namespace

void KeyCodeTable(InputDevice& input, uint8_t mode) {
  if (mode == 1) {
    for (int i = 0; i < 256; ++i) input.keyCodes[i] = static_cast<uint16_t>(i);
    return;
  }
  input.keyboardDevice = false;
  std::memcpy(input.keyCodes, VirtualKeys(), sizeof(input.keyCodes));
}

void KeyboardUpdate(InputDevice& input) {
  if (!PlatformWindowActive()) return;
  if (input.keyboardDevice) {
    PlatformKeyboardSnapshot(input.keyboardState);
    return;
  }
  // Without a device the state is indexed by virtual key.
  for (int vk = 0; vk < 256; ++vk) {
    input.keyboardState[vk] = VirtualKeyDown(static_cast<uint16_t>(vk)) ? 0x80 : 0;
  }
}

bool InputKeyIsDown(const InputDevice& input, uint8_t key) {
  if (input.keyboardDevice) return (input.keyboardState[key] & 0x80) != 0;
  return VirtualKeyDown(input.keyCodes[key]);
}

bool KeyState(uint8_t key) {
  InputDevice* input = g_app.input;
  if (input == nullptr) return false;
  if (++g_app.keyTestCounter > 128) {
    g_app.keyTestCounter = 0;
    KeyboardUpdate(*input);
  }
  return InputKeyIsDown(*input, key);
}

int32_t InputPopChar(GrowArray<uint8_t>& queue) {
  if (queue.count <= 0) return 0;
  const uint8_t c = queue[0];
  queue.RemoveFirst();
  return c == 13 ? 10 : c;
}

void KeyBufferPush(GrowArray<uint8_t>& queue, uint8_t c) {
  if (c == 0) return;
  if (c == 13) c = 10;
  if (c < 32 && c != 8 && c != 9 && c != 10) return;
  if (queue.count >= kKeyBufferLimit) return;
  if (!queue.Push(c)) queue.Release();
}

bool InputPopKeyPressed(GrowArray<uint8_t>& queue) {
  if (queue.count <= 0) return false;
  const uint8_t c = queue[0];
  queue.RemoveFirst();
  return c != 0;
}

RtString KeyTypedString() {
  if (g_app.input == nullptr) return RtString();
  const int32_t c = InputPopChar(g_app.input->typed);
  if (c == 0) return RtString();
  const char text = static_cast<char>(c);
  return StringFromBytes(&text, 1);
}

int8_t KeyToChar(uint32_t scan) {
  switch (scan) {
    case 29: case 42: case 54: case 56: case 58: case 69: case 221: return 0;
    case 28: case 156: return 10;
    case 14: return 8;
    default: break;
  }
  if (scan > 255) return 0;
  const bool shifted = PlatformKeyDown(42) || PlatformKeyDown(54);
  const int c = PlatformKeyCharacter(static_cast<int>(scan), shifted);
  if (c >= 1 && c <= 31 && c != 8 && c != 10) return 0;
  return static_cast<int8_t>(static_cast<uint8_t>(c));
}
