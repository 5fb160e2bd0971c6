// The process-wide error state and the fatal-error convention.
//
// A failing command stores its code with RuntimeSetError and returns its
// failure value. A fatal failure calls RuntimeFatal, which stores the code
// and ends the program; when the program is already ending (a fatal error
// raised during teardown) RuntimeFatal returns, and the caller must stop
// the failing operation there instead of going on with it.
#pragma once

#include <cstdint>

#include "core/fatal_error.h"
#include "core/rt_string.h"

struct ErrorState {
  int32_t code;         // the last error code; 0 means no error
  int32_t errorLine;    // debugLine at the last RuntimeSetError
  int32_t debugLine;    // the BASIC line running now, when the program reports it
  int32_t debugModule;  // the BASIC module running now
};

extern ErrorState g_errorState;

// Stores the code, copies debugLine into errorLine, reports a non-zero code
// to an attached debugger ("error: " and the code in hexadecimal), and
// returns the code.
int32_t RuntimeSetError(int32_t code);
void ClearLastError();
void SetDebugPosition(int32_t module, int32_t line);

// "%.4d %s": the code and its text ("0009 out of bounds").
RtString LastErrorText();

// The assertion command: a value of 0 reports to the debugger and raises the
// fatal error 21.
void RuntimeAssert(int32_t value);

// RuntimeSetError(code), then ProgramEnd. Returns only when the program is
// already ending. The start-up installs it as the value types' fatal-error
// hook (core/fatal_error.h), so their fatal errors take the same road.
void RuntimeFatal(int32_t code);
