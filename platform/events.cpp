#include "platform/events.h"

#include <SDL.h>

#include <deque>

#include "platform/input_state.h"
#include "platform/process_signals.h"

namespace {

struct ScancodeNumber {
  SDL_Scancode scancode;
  int number;
};

// SDL scan codes to PC set-1 scan-code numbers (extended keys + 128).
constexpr ScancodeNumber kScancodeNumbers[] = {
    {SDL_SCANCODE_ESCAPE, 1},      {SDL_SCANCODE_1, 2},           {SDL_SCANCODE_2, 3},
    {SDL_SCANCODE_3, 4},           {SDL_SCANCODE_4, 5},           {SDL_SCANCODE_5, 6},
    {SDL_SCANCODE_6, 7},           {SDL_SCANCODE_7, 8},           {SDL_SCANCODE_8, 9},
    {SDL_SCANCODE_9, 10},          {SDL_SCANCODE_0, 11},          {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},     {SDL_SCANCODE_BACKSPACE, 14},  {SDL_SCANCODE_TAB, 15},
    {SDL_SCANCODE_Q, 16},          {SDL_SCANCODE_W, 17},          {SDL_SCANCODE_E, 18},
    {SDL_SCANCODE_R, 19},          {SDL_SCANCODE_T, 20},          {SDL_SCANCODE_Y, 21},
    {SDL_SCANCODE_U, 22},          {SDL_SCANCODE_I, 23},          {SDL_SCANCODE_O, 24},
    {SDL_SCANCODE_P, 25},          {SDL_SCANCODE_LEFTBRACKET, 26}, {SDL_SCANCODE_RIGHTBRACKET, 27},
    {SDL_SCANCODE_RETURN, 28},     {SDL_SCANCODE_LCTRL, 29},      {SDL_SCANCODE_A, 30},
    {SDL_SCANCODE_S, 31},          {SDL_SCANCODE_D, 32},          {SDL_SCANCODE_F, 33},
    {SDL_SCANCODE_G, 34},          {SDL_SCANCODE_H, 35},          {SDL_SCANCODE_J, 36},
    {SDL_SCANCODE_K, 37},          {SDL_SCANCODE_L, 38},          {SDL_SCANCODE_SEMICOLON, 39},
    {SDL_SCANCODE_APOSTROPHE, 40}, {SDL_SCANCODE_GRAVE, 41},      {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},  {SDL_SCANCODE_Z, 44},          {SDL_SCANCODE_X, 45},
    {SDL_SCANCODE_C, 46},          {SDL_SCANCODE_V, 47},          {SDL_SCANCODE_B, 48},
    {SDL_SCANCODE_N, 49},          {SDL_SCANCODE_M, 50},          {SDL_SCANCODE_COMMA, 51},
    {SDL_SCANCODE_PERIOD, 52},     {SDL_SCANCODE_SLASH, 53},      {SDL_SCANCODE_RSHIFT, 54},
    {SDL_SCANCODE_KP_MULTIPLY, 55}, {SDL_SCANCODE_LALT, 56},      {SDL_SCANCODE_SPACE, 57},
    {SDL_SCANCODE_CAPSLOCK, 58},   {SDL_SCANCODE_F1, 59},         {SDL_SCANCODE_F2, 60},
    {SDL_SCANCODE_F3, 61},         {SDL_SCANCODE_F4, 62},         {SDL_SCANCODE_F5, 63},
    {SDL_SCANCODE_F6, 64},         {SDL_SCANCODE_F7, 65},         {SDL_SCANCODE_F8, 66},
    {SDL_SCANCODE_F9, 67},         {SDL_SCANCODE_F10, 68},        {SDL_SCANCODE_NUMLOCKCLEAR, 69},
    {SDL_SCANCODE_SCROLLLOCK, 70}, {SDL_SCANCODE_KP_7, 71},       {SDL_SCANCODE_KP_8, 72},
    {SDL_SCANCODE_KP_9, 73},       {SDL_SCANCODE_KP_MINUS, 74},   {SDL_SCANCODE_KP_4, 75},
    {SDL_SCANCODE_KP_5, 76},       {SDL_SCANCODE_KP_6, 77},       {SDL_SCANCODE_KP_PLUS, 78},
    {SDL_SCANCODE_KP_1, 79},       {SDL_SCANCODE_KP_2, 80},       {SDL_SCANCODE_KP_3, 81},
    {SDL_SCANCODE_KP_0, 82},       {SDL_SCANCODE_KP_PERIOD, 83},  {SDL_SCANCODE_NONUSBACKSLASH, 86},
    {SDL_SCANCODE_F11, 87},        {SDL_SCANCODE_F12, 88},        {SDL_SCANCODE_F13, 100},
    {SDL_SCANCODE_F14, 101},       {SDL_SCANCODE_F15, 102},       {SDL_SCANCODE_KP_EQUALS, 141},
    {SDL_SCANCODE_KP_ENTER, 156},  {SDL_SCANCODE_RCTRL, 157},     {SDL_SCANCODE_KP_DIVIDE, 181},
    {SDL_SCANCODE_PRINTSCREEN, 183}, {SDL_SCANCODE_RALT, 184},    {SDL_SCANCODE_PAUSE, 197},
    {SDL_SCANCODE_HOME, 199},      {SDL_SCANCODE_UP, 200},        {SDL_SCANCODE_PAGEUP, 201},
    {SDL_SCANCODE_LEFT, 203},      {SDL_SCANCODE_RIGHT, 205},     {SDL_SCANCODE_END, 207},
    {SDL_SCANCODE_DOWN, 208},      {SDL_SCANCODE_PAGEDOWN, 209},  {SDL_SCANCODE_INSERT, 210},
    {SDL_SCANCODE_DELETE, 211},    {SDL_SCANCODE_LGUI, 219},      {SDL_SCANCODE_RGUI, 220},
    {SDL_SCANCODE_APPLICATION, 221},
};

std::deque<PlatformEvent>& Pending() {
  static std::deque<PlatformEvent> pending;
  return pending;
}

// Every translated event also updates the input state, whoever pumps.
void Queue(const PlatformEvent& event) {
  PlatformInputFeed(event);
  Pending().push_back(event);
}

// Decodes UTF-8 text into 8-bit characters; code points above 255 and
// malformed bytes are dropped.
void QueueTypedText(const char* utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p != 0) {
    uint32_t code = *p;
    int extra = 0;
    if (code >= 0xF0) {
      code &= 0x07;
      extra = 3;
    } else if (code >= 0xE0) {
      code &= 0x0F;
      extra = 2;
    } else if (code >= 0xC0) {
      code &= 0x1F;
      extra = 1;
    } else if (code >= 0x80) {
      ++p;  // a stray continuation byte
      continue;
    }
    ++p;
    bool valid = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      code = (code << 6) | (*p & 0x3F);
      ++p;
    }
    if (!valid || code > 255) continue;
    PlatformEvent event;
    event.type = PlatformEventType::kChar;
    event.character = static_cast<uint8_t>(code);
    Queue(event);
  }
}

int MouseButtonNumber(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
  }
}

void Translate(const SDL_Event& e) {
  PlatformEvent event;
  switch (e.type) {
    case SDL_QUIT:
      event.type = PlatformEventType::kClose;
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        event.type = PlatformEventType::kActivate;
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        event.type = PlatformEventType::kDeactivate;
      } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        event.type = PlatformEventType::kClose;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      event.type = e.type == SDL_KEYDOWN ? PlatformEventType::kKeyDown : PlatformEventType::kKeyUp;
      event.key = PlatformKeyNumberFromScancode(e.key.keysym.scancode);
      Queue(event);
      // Enter, Backspace and Tab type characters of their own.
      if (e.type == SDL_KEYDOWN) {
        uint8_t typed = 0;
        switch (e.key.keysym.sym) {
          case SDLK_RETURN:
          case SDLK_KP_ENTER: typed = 13; break;
          case SDLK_BACKSPACE: typed = 8; break;
          case SDLK_TAB: typed = 9; break;
          default: break;
        }
        if (typed != 0) {
          PlatformEvent character;
          character.type = PlatformEventType::kChar;
          character.character = typed;
          Queue(character);
        }
      }
      return;
    }
    case SDL_TEXTINPUT:
      QueueTypedText(e.text.text);
      return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      event.type = e.type == SDL_MOUSEBUTTONDOWN ? PlatformEventType::kMouseButtonDown
                                                 : PlatformEventType::kMouseButtonUp;
      event.button = MouseButtonNumber(e.button.button);
      event.x = e.button.x;
      event.y = e.button.y;
      if (event.button < 0) event.type = PlatformEventType::kOther;
      break;
    case SDL_MOUSEMOTION:
      event.type = PlatformEventType::kMouseMotion;
      event.x = e.motion.x;
      event.y = e.motion.y;
      event.dx = e.motion.xrel;
      event.dy = e.motion.yrel;
      break;
    case SDL_MOUSEWHEEL:
      event.type = PlatformEventType::kMouseWheel;
      event.wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      break;
    default:
      break;
  }
  Queue(event);
}

}  // namespace

int PlatformKeyNumberFromScancode(int sdl_scancode) {
  for (const ScancodeNumber& entry : kScancodeNumbers) {
    if (entry.scancode == sdl_scancode) return entry.number;
  }
  return 0;
}

bool PlatformEventPending() {
  if (!Pending().empty() || PlatformTerminationRequested()) return true;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  return SDL_PollEvent(nullptr) != 0;
}

bool PlatformPollEvent(PlatformEvent* event) {
  // SIGTERM or SIGINT: a close request, as the window's close button gives.
  if (PlatformTakeTerminationRequest()) {
    PlatformEvent close;
    close.type = PlatformEventType::kClose;
    Queue(close);
  }
  // An SDL event can give no message (typed text that is all dropped), so
  // take SDL events until one gives a message or none is left.
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    SDL_Event e;
    while (Pending().empty() && SDL_PollEvent(&e) != 0) Translate(e);
  }
  if (Pending().empty()) return false;
  *event = Pending().front();
  Pending().pop_front();
  return true;
}

int PlatformKeyCharacter(int key_number, bool shifted) {
  for (const ScancodeNumber& entry : kScancodeNumbers) {
    if (entry.number != key_number) continue;
    const SDL_Keycode code = SDL_GetKeyFromScancode(entry.scancode);
    if (code <= 0 || code > 255) return 0;
    if (shifted && code >= 'a' && code <= 'z') return code - 'a' + 'A';
    return code;
  }
  return 0;
}
