// How the process meets the signals that would otherwise end it at once.
#pragma once

// Called first thing at start-up, before anything is written: a write to a
// pipe or socket whose reader has gone fails with EPIPE instead of ending
// the process (SIGPIPE is ignored), and SIGTERM and SIGINT become a close
// request that the event queue delivers as a close message (events.h), so
// the program ends in order, with its exit handlers, however early they
// come; one the process was started ignoring (a background job's SIGINT,
// nohup) stays ignored. The window library keeps these handlers when it
// starts. Programs the process starts get the default SIGPIPE back. Calling
// it again changes nothing.
void PlatformInstallSignalHandling();

// Takes a pending close request of SIGTERM or SIGINT: true once per signal
// received.
bool PlatformTakeTerminationRequest();

// True while a close request waits, without taking it.
bool PlatformTerminationRequested();
