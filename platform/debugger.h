// The debugger output channel.
//
// A debugger counts as attached when the process is traced (TracerPid in
// /proc/self/status is not 0); its text then goes to standard error. The
// environment variable VNL_DEBUG_OUT, naming a file, forces "attached" and
// appends the text to that file instead, so that tests can read it.
#pragma once

#include <cstddef>

bool PlatformDebuggerAttached();

// Writes the bytes to the debugger channel when one is attached.
void PlatformDebuggerWrite(const char* text, size_t length);
