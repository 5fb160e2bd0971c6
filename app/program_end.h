// The one way out of the program.
#pragma once

// Ends the program: tears the runtime down, writes "exit" to standard output
// and exits the process with code 0. Only the first call does so; a call made
// while the program is already ending returns at once.
void ProgramEnd();

// True once ProgramEnd has begun.
bool ProgramEnding();
