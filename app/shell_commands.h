// Starting other programs from the BASIC program.
//
// A command line is split into words by Windows quoting rules (the way the
// runtime's own command line is joined) and started directly, never through
// a shell, with this process's environment and current directory.
#pragma once

#include "core/rt_string.h"

// Runs the command line. wait and show are flags (non-zero is true); show
// has no effect here: programs open their windows as they do. *exitCode is
// set to 0.0 first, and with wait to the program's exit status (128 + the
// signal number when a signal ended it). Leaves full screen first when the
// window exists, and gives the window the focus back afterwards. 1.0 when
// the program was started, 0.0 when not. A program not waited for runs on
// and is reaped when it ends.
double ShellRun(RtString command, double wait, double show, double* exitCode);


// Marks the program as ending (so that a ProgramEnd from an exit handler
// returns at once), shuts the runtime down, starts the command line visible
// without waiting, and ends the process with code 0; the exit handlers then
// run as at a normal end. Never returns.
[[noreturn]] void ShellEnd(RtString command);
