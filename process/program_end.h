// The request to end the program: the one way out of it.
#pragma once

// Ends the program: runs the teardown hook, writes "exit" to standard
// output and exits the process with the exit status (0 unless a failed
// start set another). Only the first call does so; a call made while the
// program is already ending returns at once.
void ProgramEnd();

// True once ProgramEnd has begun.
bool ProgramEnding();

// Marks the program as ending without ending it, for a way out that tears
// the runtime down and exits by itself (ShellEnd): every later ProgramEnd,
// also one from an exit handler, returns at once. False when the program
// was ending already.
bool ProgramBeginEnding();

// The exit status ProgramEnd ends the process with; start-up sets a
// non-zero one when the window could not be opened.
void ProgramSetExitStatus(int status);

// What ProgramEnd runs before it exits. The application installs it at
// start-up (in debug mode the end position goes to the error log, then the
// runtime is torn down, AppShutdown). Null (nothing installed): nothing is
// torn down.
extern void (*g_programTeardownHook)();

// Tears the runtime down without ending the program yet, for a way out that
// starts something else first and then calls ProgramEnd. The application
// installs AppShutdown at start-up. Null (nothing installed): nothing.
extern void (*g_runtimeShutdownHook)();
