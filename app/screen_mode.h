// The screen-mode commands: the window's size and full-screen mode while
// the program runs, and the project's screen size.
#pragma once

#include <cstdint>

// Stores the size and mode in the project settings, has the 2D engine set
// the mode (a width or height of 0 keeps the engine's), applies the
// pointer mode the input already has, binds input, sound and the main
// window to the engine's window, and runs five frames (ShowScreen) so that
// the new mode settles. Before start-up (no 2D engine) only the settings
// change.
void SetScreen(int32_t width, int32_t height, int32_t fullScreen);

// Logs "vnl_notify_screen_size WxH\n" and makes the size the project size,
// the desktop size and the 2D engine's screen size at once; the window and
// the display mode stay as they are.
void NotifyScreenSize(int32_t width, int32_t height);

// Stores the project width and height through the pointers that are not
// null.
void ProjectScreenSizeGet(int32_t* width, int32_t* height);

// 0: writes the pixels of every sprite to the 2D engine's texture backup
// file (the sprites keep their textures). Any other value: makes the
// sprites again from that file and deletes it. Answers 1 when the file
// could be written or read, else 0 (no error code is set).
int32_t TexturesInMemory(int32_t on);
