// The process-wide error state and the fatal-error convention.
//
// A failing command stores its code with RuntimeSetError and returns its
// failure value. A fatal failure calls RuntimeFatal, which stores the code
// and ends the program; when the program is already ending (a fatal error
// raised during teardown) RuntimeFatal returns, and the caller must stop
// the failing operation there instead of going on with it.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

struct ErrorState {
  int32_t code;         // the last error code; 0 means no error
  int32_t errorLine;    // debugLine at the last RuntimeSetError
  int32_t debugLine;    // the BASIC line running now, when the program reports it
  int32_t debugModule;  // the BASIC module running now
};

extern ErrorState g_errorState;

// The codes the runtime raises.
enum ErrorCode : int32_t {
  kErrorNone = 0,
  kErrorFile = 3,          // not found, or a short read or write
  kErrorOutOfMemory = 7,   // also a number out of its range
  kErrorAppendNotOneDim = 8,
  kErrorOutOfBounds = 9,
  kErrorOutOfData = 20,
  kErrorAssertion = 21,
};

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
// already ending.
void RuntimeFatal(int32_t code);

// Memory for a runtime value could not be had: fatal error 7. Never returns:
// when the program is already ending it leaves the process at once.
[[noreturn]] void RuntimeOutOfMemory();
