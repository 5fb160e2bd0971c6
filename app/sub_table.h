// The game's SUBs called by name, the SUB loop, pause and resume, and the
// window-message hook command.
//
// The compiled game emits a table of {function, name} entries closed by an
// entry whose function is null. Look-up compares the length first, then the
// bytes, case-sensitively; the first match wins; a missing name is no error.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

using SubFunction = void (*)();

struct SubTableEntry {
  SubFunction fn;    // null closes the table
  const char* name;  // the SUB's name as written in the BASIC program
};

// The table the runtime searches: the game's table once the game is handed
// to the runtime (RuntimeSetGame), unless a test swaps it; an empty table
// before.
extern const SubTableEntry* g_subTable;

// The SUB of that name, or null.
SubFunction SubFindByName(const RtString& name);

// Calls the SUB: 1 when one was called, 0 when none was found. A missing
// name other than "VNL_ON_QUIT" and "VNL_WIN32_MSG" is reported to the
// debugger ("CALLBYNAME \"name\" *** failed ***\n"); the error state is not
// touched.
int32_t SubCallByName(const RtString& name);

// Runs a SUB again and again as the main loop. Called from inside the loop
// it switches the loop to the named SUB (or, with an empty name, ends it)
// once the running SUB returns.
void SubRunLoop(const RtString& name);

// Pauses (non-zero, and only while auto-pause is on) or resumes the program,
// calling "VNL_ON_PAUSE" or "VNL_ON_RESUME" on a change.
void AppPauseResume(int32_t paused);

// Turns auto-pause on (non-zero) or off; turning it off resumes a paused
// program.
void AppSetAutoPause(int32_t on);

// Calls the SUB "VNL_WIN32_MSG" when the game has one (looked up once).
void CallWin32MsgHook();

// Forgets the SUB loop names and the hook cache (for tests).
void SubTableResetState();
