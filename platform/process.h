// Starting other programs.
//
// A program is started from an argument vector (argv[0] is looked up on the
// PATH as the shell would, but no shell is involved), with this process's
// environment and current directory, standard streams inherited and no
// other descriptor passed on.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// Starts the program; its process id, or -1 when it cannot be started (no
// such program, not executable, or an empty vector). With output_fd not -1
// the program's standard output goes to that descriptor.
pid_t PlatformProcessStart(const std::vector<std::string>& argv, int output_fd = -1);

// Waits for the process to end and gives its exit status as an unsigned
// number: the exit code, or 128 + the signal number when a signal ended it;
// 0 when it cannot be waited for.
uint32_t PlatformProcessWait(pid_t pid);

// Leaves the process to run on; it is reaped when it ends, so it never
// lingers as a zombie.
void PlatformProcessDetach(pid_t pid);
