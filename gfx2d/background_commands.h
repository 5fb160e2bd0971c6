// The screen background commands of BASIC programs: the picture the frame
// start draws in place of the clear (background slot 0). Each works on the
// engine of g_app and does nothing without one. Names are media names,
// resolved through g_app's media resolver.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The picture on the drawing surface now becomes the background.
void GfxGrabBackground();

// Clears the last error and makes the image file the background, drawn at
// once. When the name cannot be resolved or loaded: error 3, no
// background and a black clear colour.
void BackgroundLoadFile(const RtString& name);

// Clears the last error and changes the background to the image file
// through a cross-fade of ms milliseconds of game time from the picture
// on the surface now, showing a frame per step. Failure as for
// BackgroundLoadFile, without a fade. Uses background slots 1 and 2, free
// again afterwards.
void BackgroundFadeTo(const RtString& name, int32_t ms);
