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

// The address of a GL entry point; only for functions of an extension that
// the context's extension string names (any name gives an address here).
void* PlatformGlProcAddress(const char* name);

// The text of the last failure of the platform layer.
std::string PlatformLastError();

// Sets the window's caption.
void PlatformWindowSetTitle(PlatformWindow* window, const char* title);
