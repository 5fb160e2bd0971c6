// The end of every frame: show it, prepare the next one, keep the rate.
#pragma once

#include <cstdint>

class OpenGLDodevudi;

// Ends drawing into an offscreen screen, swaps the buffers, clears (or
// draws background 0) for the next frame, then pumps messages with hook
// and waits for the next frame slot. 1 when the frame ended, 0 when the
// message pump asked the program to end.
int32_t SwapBuffersAndWait(OpenGLDodevudi& engine, void (*hook)());

// The same without the wait for the frame slot (FrameAdvance): the slot
// still advances, so the next frame waits for both and the frame times
// after it are unchanged. Start-up swaps its cleared frame this way.
int32_t SwapBuffersAndAdvance(OpenGLDodevudi& engine, void (*hook)());
