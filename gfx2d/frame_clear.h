// The frame-start clear and the screen background.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// With background 0 in use: clears a pending depth buffer and draws the
// background; otherwise clears the colour buffer (when the clear colour is
// on) and a pending depth buffer, calling glClear only when there is
// something to clear.
void ClearScreen(OpenGLDodevudi& engine);

// Draws a background slot's tiles over the whole surface with blending and
// the alpha test off; a slot not in use draws nothing.
void DrawBackground(OpenGLDodevudi& engine, int32_t slot);

// Draws the mixture of two background slots over the whole surface: each
// pixel (1 - t) x slot from plus t x slot to (t from 0 to 1), alpha not
// taken into account. A slot not in use draws nothing: for slot from the
// surface keeps what it shows, for slot to nothing is added.
void DrawBackgroundMix(OpenGLDodevudi& engine, int32_t from, int32_t to, float t);

// The screen-clear command: drops background 0 and sets the clear colour
// (0x00BBGGRR; -1 stops clearing).
void GfxClearScreen(int32_t colour);
