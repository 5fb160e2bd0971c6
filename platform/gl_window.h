// The one game window with its OpenGL context.
//
// A window carries an OpenGL 2.1 compatibility context (RGB 8/8/8, depth 24,
// stencil 8, double buffered; alpha 8 only when multisampling is asked for),
// current on the calling thread from creation until it is destroyed.
#pragma once

#include <string>

struct PlatformWindow;

struct PlatformWindowConfig {
  int width = 640;
  int height = 480;
  bool fullScreen = false;
  bool visible = true;
  int multisampleSamples = 0;  // 0: no multisampling
  std::string title;
};

// Starts the video subsystem once per process; false when no display can be
// reached (PlatformLastError tells why).
bool PlatformVideoStart();

// Creates the window and makes its context current; null on failure.
PlatformWindow* PlatformWindowCreate(const PlatformWindowConfig& config);
void PlatformWindowDestroy(PlatformWindow* window);

void PlatformWindowSwap(PlatformWindow* window);

// Framed or frameless; shown or hidden; title; raised to the front.
void PlatformWindowSetBordered(PlatformWindow* window, bool bordered);
void PlatformWindowShow(PlatformWindow* window, bool shown);
void PlatformWindowSetTitle(PlatformWindow* window, const char* title);
void PlatformWindowRaise(PlatformWindow* window);
// Client size, and centring on the window's display at that size.
void PlatformWindowSetSize(PlatformWindow* window, int width, int height);
void PlatformWindowCentre(PlatformWindow* window);
void PlatformWindowGetSize(PlatformWindow* window, int* width, int* height);
bool PlatformWindowShown(PlatformWindow* window);
bool PlatformWindowFullScreen(PlatformWindow* window);

// The context of the window (as an opaque handle).
void* PlatformWindowContext(PlatformWindow* window);

// Asks for a swap interval on the current context; false when refused
// (harmless: pacing keeps to its own clock).
bool PlatformSetSwapInterval(int interval);

// Whether the current context is software rendering (llvmpipe, softpipe
// and other unaccelerated drivers).
bool PlatformGlSoftware();

// The address of a GL entry point; only for functions of an extension that
// the context's extension string names (any name gives an address here).
void* PlatformGlProcAddress(const char* name);

// The text of the last failure of the platform layer.
std::string PlatformLastError();
