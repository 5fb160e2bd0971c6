// Text for an attached debugger.
#pragma once

#include "core/rt_string.h"

// True when a debugger is attached (see platform/debugger.h).
bool DebuggerAttached();

// Sends "TX" followed by the text to the debugger, only when one is
// attached; no line end is added.
void DebugOutput(const RtString& text);
