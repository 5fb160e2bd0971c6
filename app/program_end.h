// The one way out of the program, and the teardown of the runtime.
#pragma once

// Ends the program: in debug mode logs the end position, tears the runtime
// down, writes "exit" to standard output and exits the process with the
// exit status (0 unless a failed start set another). Only the first call
// does so; a call made while the program is already ending returns at once.
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

// Tears the runtime down: calls "VNL_ON_QUIT" once, then, when the 2D
// engine object exists, frees every engine object in order between the log
// lines "Shut down VNL\n" and "vnl is shut down\n". Later calls do nothing.
void AppShutdown();

// The END command: stops a SUB loop, clears the last error, ends the
// program.
void RuntimeEnd();
