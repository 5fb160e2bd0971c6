#include "app/text_input.h"

#include "app/frame_end.h"
#include "core/number_text.h"
#include "core/string_commands.h"
#include "devices/input_device.h"
#include "devices/keyboard.h"
#include "gfx2d/background_tiles.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/frame_clear.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/render_state.h"
#include "gfx2d/screen_grab.h"
#include "process/app_globals.h"

namespace {

constexpr int32_t kFrozenScreen = 3;  // background slot of the copy of the screen
constexpr int32_t kBlinkFrames = 20;  // the cursor flips on the frame after these

}  // namespace

bool TextInputApply(TextInputState& state, RtString& text, int32_t c) {
  if (c == 13 || c == 10) return true;
  if (c == 8) {
    if (text.length > 0) TextTruncate(text, static_cast<int32_t>(text.length - 1));
  } else if (c != 0) {
    StringAppendChar(text, static_cast<uint8_t>(c));
  } else if (++state.blink > kBlinkFrames) {
    state.blink = 0;
    state.cursorVisible = !state.cursorVisible;
  }
  return false;
}

RtString TextInputDisplay(const TextInputState& state, const RtString& text) {
  return state.cursorVisible ? StringConcatCStr(text, "_") : StringCopy(text);
}

void InputText(RtString& text, int32_t x, int32_t y, int32_t spacing) {
  OpenGLDodevudi* engine = g_app.engine2d;
  InputDevice* input = g_app.input;
  if (engine == nullptr || input == nullptr) return;
  GrabScreenToBackground(*engine, kFrozenScreen);
  DrawBackground(*engine, kFrozenScreen);
  TextDraw(text, x, y, spacing);
  FrameEnd();

  TextInputState state;
  for (;;) {
    ResetRenderState2D();
    KeyboardUpdate(*input);
    if (TextInputApply(state, text, InputPopChar(input->typed))) break;
    DrawBackground(*engine, kFrozenScreen);
    TextDraw(TextInputDisplay(state, text), x, y, spacing);
    FrameEnd();
  }
  BackgroundSlotFree(*engine, kFrozenScreen);
}

void InputTextInt(int32_t& value, int32_t x, int32_t y, int32_t spacing) {
  RtString text;
  InputText(text, x, y, spacing);
  value = TextToInt(text);
}

void InputTextFloat(double& value, int32_t x, int32_t y, int32_t spacing) {
  RtString text;
  InputText(text, x, y, spacing);
  value = TextToDouble(text);
}
