// The error codes, and how the value operations end the program on a
// failure they cannot go on from (no memory, an index out of bounds, an
// append to an array of more dimensions, no DATA left).
//
// The error state and the program's end sit above the value types, so a
// fatal error goes out through a hook that the runtime's start-up installs:
// the fatal-error convention of the error state (RuntimeFatal), which
// stores the code and ends the program through the full teardown, and
// returns only when the program is already ending.
#pragma once

#include <cstdint>

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

// The fatal-error hook. Null (nothing installed, as in the value types'
// own use without the runtime): a fatal error writes "fatal error N" to
// standard error and ends the process at once with EXIT_FAILURE.
extern void (*g_fatalErrorHook)(int32_t code);

// A fatal error of a value operation: calls the hook with the code. Returns
// only when the hook returns (the program is already ending); the caller
// then stops the failing operation instead of going on with it.
void CoreFatal(int32_t code);

// Memory for a runtime value could not be had: fatal error 7. Never returns:
// when the program is already ending it leaves the process at once.
[[noreturn]] void RuntimeOutOfMemory();
