// The teardown of the runtime at the program's end, and the END command.
#pragma once

// Tears the runtime down: calls "VNL_ON_QUIT" once, then, when the 2D
// engine object exists, frees every engine object in order between the log
// lines "Shut down VNL\n" and "vnl is shut down\n". Later calls do nothing.
void AppShutdown();

// The teardown that ProgramEnd runs (start-up installs it as the program's
// teardown hook, process/program_end.h): in debug mode logs
// "-End On Line\n" with the error code and the debug position, then
// AppShutdown.
void ProgramTeardown();

// The END command: stops a SUB loop, clears the last error, ends the
// program.
void RuntimeEnd();
