// The screen's resolution.
#pragma once

// The horizontal dots per inch of the first display, rounded; 0 when it
// cannot be told (no video subsystem started, or no display).
int PlatformDisplayDpi();
