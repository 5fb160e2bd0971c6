// The screen commands of BASIC programs: the drawing surface's size,
// orientation and viewport, the desktop size, the frame rate, and
// offscreen screens. Each works on the engine of g_app and does nothing
// (answers 0, or -1 for a number) without one.
#pragma once

#include <cstdint>

class Dodevudi3D;

// The size of the drawing surface: the current offscreen screen's picture,
// else the window, its sides exchanged at orientation 1 or 3.
void GfxGetScreenSize(double* width, double* height);
void GfxGetScreenSizeI(int32_t* width, int32_t* height);
// The orientation 0 to 3 (0, 90, 180, 270 degrees).
int32_t GfxGetOrientation();
// The desktop size recorded when the window was made.
void GfxGetDesktopSize(int32_t* width, int32_t* height);
// 1 in full-screen mode, else 0.
int32_t GfxIsFullScreen();

// Leaves the 3D shadow pass, then sets the viewport and 2D projection to
// the rectangle (a width or height below 1: the whole surface).
void GfxSetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
// Turns the 3D shadow pass of the 2D engine's 3D engine on or off; the
// viewport commands leave it through this hook. The 3D engine's is
// installed at start-up (Gl3DShadowPass). Null (no 3D layer): nothing.
extern void (*g_shadowPassHook)(Dodevudi3D* engine, int32_t on);
// Turns the drawing surface: the orientation clamped to 0..3, then the
// viewport over the whole surface (leaving the 3D shadow pass first).
void GfxSetOrientation(int32_t orientation);
// The viewport set last.
void GfxGetViewport(int32_t* x, int32_t* y, int32_t* width, int32_t* height);
void GfxGetViewportF(double* x, double* y, double* width, double* height);

// Frames at fps a second (truncated; 0 or less: as fast as possible), with
// vsync when it is not 0.
void GfxLimitFps(double fps, int32_t vsync);

// Makes screen n draw into sprite s, a fresh transparent picture of
// width x height (see ScreenCreate); 1 on success.
int32_t OffscreenCreate(int32_t screen, int32_t sprite, int32_t width, int32_t height);
// Draws into screen n from now on; a negative n draws into the window again.
void OffscreenUse(int32_t screen);
// The highest screen number that draws into no sprite, -1 when none.
int32_t OffscreenFreeNumber();
