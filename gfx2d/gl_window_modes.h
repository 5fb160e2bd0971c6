// The window with its OpenGL context, and the windowed and full-screen
// display modes.
//
// The window is created hidden by GlStartup and shown when a mode is set.
// Full screen changes the display mode and keeps the same window and
// context, so textures survive every mode change.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Opens the hidden window with its context, runs the software-driver check
// once per process, loads the extension entry points, swaps once and resets
// the 2D state. 1 when the window and context are up, 0 when they cannot be
// made (PlatformLastError tells why). Width or height 0 take the desktop's,
// depth 0 the desktop's bits per pixel; rate 0 or less gives a 2 ms period;
// samples is the multisample request (halved until a format is found).
int32_t GlStartup(OpenGLDodevudi& engine, void* instance, int32_t width, int32_t height,
                  int32_t depth, int32_t rate, int32_t samples);

// Leaves full screen when in it; shows the window framed, centred on its
// display, at the screen size; returns 1.
int32_t SetWindowedMode(OpenGLDodevudi& engine);

// Sets a display mode of the screen size (and depth when it differs from
// the desktop's, retrying without it); 1 on success, 0 (windowed mode
// then, with "No Fullscreen Mode available" logged) when none can be set.
int32_t SetFullScreenMode(OpenGLDodevudi& engine);

// Stores each of width, height and depth that is not 0, then windowed
// mode, then full screen when fullScreen is set, else windowed again.
void SetScreenMode(OpenGLDodevudi& engine, int32_t width, int32_t height, int32_t depth,
                   int32_t fullScreen);

// Restores the desktop mode when in full screen, hides the window and
// pumps messages once; returns 1.
int32_t LeaveFullScreen(OpenGLDodevudi& engine);

// Frees every sprite and background texture, leaves full screen and
// destroys the window with its context (once: a second call finds none).
// Clears g_app.mainWindow when it is this window.
void GlShutdown(OpenGLDodevudi& engine);

// Whether name occurs in the blank-separated list as a whole word.
bool GlHasExtension(const char* list, const char* name);
