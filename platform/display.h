// The desktop and display modes.
#pragma once

struct PlatformWindow;

struct PlatformDesktop {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

// The desktop mode of the display holding the window (the first display
// for null); zeros when video is not started.
PlatformDesktop PlatformDesktopMode(PlatformWindow* window);

// Switches the window to full screen at exactly width x height, with
// bitsPerPixel when not 0; false (window unchanged) when no such mode.
bool PlatformWindowEnterFullScreen(PlatformWindow* window, int width, int height,
                                   int bitsPerPixel);

// Back to the desktop mode; the window keeps the given client size.
void PlatformWindowLeaveFullScreen(PlatformWindow* window, int width, int height);
