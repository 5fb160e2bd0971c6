// Render state of the 2D layer: blending, clear colour, alpha test,
// smoothing, the screen size, viewport and projection, the orientation
// transforms and the reset to 2D drawing.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// v = 0: blending off, alpha 1. v > 0: additive blending at alpha v.
// v < 0: alpha blending at alpha -v. The alpha is capped at 1.
void GfxSetBlendMode(double v);

// -1: the frame start stops clearing the colour buffer. Any other colour
// (0x00BBGGRR): clearing on with that colour, and the colour buffer is
// cleared at once.
void SetClearColour(OpenGLDodevudi& engine, int32_t colour);

// A threshold below 1 turns the alpha test on (greater than threshold);
// 1 or more turns it off.
void SetAlphaTest(OpenGLDodevudi& engine, float threshold);

void SetSmoothing(OpenGLDodevudi& engine, uint8_t flag);
// Linear or nearest filters on the bound texture, by the smoothing flag.
void ApplySmoothingToTexture(const OpenGLDodevudi& engine);

// Stores the screen size and sets the viewport over the whole surface.
void SetScreenSize(OpenGLDodevudi& engine, int32_t width, int32_t height);

// Viewport and 2D projection for a rectangle of the drawing surface in
// screen terms (y down from the top-left); width or height below 1 mean
// the whole surface. Leaves the model-view matrix selected, identity.
void SetViewportProjection(OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width,
                           int32_t height);

// The orientation's turn of the drawing surface about the z axis,
// column-major (the identity at 0 degrees).
void OrientationMatrix(const OpenGLDodevudi& engine, float out[16]);

// glViewport for a rectangle of the drawing surface in screen terms: on the
// current offscreen screen, else turned with the orientation onto the
// window (the 3D begin sets its viewport the same way).
void ApplyViewport(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t width, int32_t height);

// Multiplies the current matrix by glOrtho's matrix, built in floats.
void MultOrtho(float left, float right, float bottom, float top, float near, float far);

struct ViewportRect {
  int32_t x, y, width, height;
};
ViewportRect GetViewport(const OpenGLDodevudi& engine);

// Puts every state that 2D drawing relies on back to its default.
void Reset2DState(OpenGLDodevudi& engine);

// After every frame: frame-start clear, alpha test off, alpha blending at
// alpha 1, colour white, then Reset2DState; then the 3D reset hook.
void ResetRenderState2D();

// The 3D part of the per-frame reset: 3D texturing back to the plain
// textures and no shader. The 3D engine's reset is installed at start-up
// (X3DResetRenderState). Null (no 3D layer): nothing.
extern void (*g_resetRenderState3DHook)();

// Window pixel to screen point under the orientation, and back.
void ScreenPointFromWindow(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t* outX,
                           int32_t* outY);
void OrientPoint(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t* outX,
                 int32_t* outY);
// A relative movement turned by the orientation.
void OrientDelta(const OpenGLDodevudi& engine, int32_t dx, int32_t dy, int32_t* outDx,
                 int32_t* outDy);
// A rectangle: corner by OrientPoint, size by OrientDelta.
void OrientRect(const OpenGLDodevudi& engine, int32_t x, int32_t y, int32_t w, int32_t h,
                int32_t* outX, int32_t* outY, int32_t* outW, int32_t* outH);
