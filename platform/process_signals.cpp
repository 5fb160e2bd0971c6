#include "platform/process_signals.h"

#include <signal.h>

namespace {

volatile sig_atomic_t g_terminationRequested = 0;

void OnTermination(int) { g_terminationRequested = 1; }

}  // namespace

void PlatformInstallSignalHandling() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);

  struct sigaction request {};
  request.sa_handler = OnTermination;
  sigemptyset(&request.sa_mask);
  // Interrupted system calls go on: the request is seen at the next event
  // poll, not by whatever call the signal happened to meet.
  request.sa_flags = SA_RESTART;
  const int requests[] = {SIGTERM, SIGINT};
  for (int signal_number : requests) {
    // A signal the process was started ignoring (a background job's
    // SIGINT, nohup) stays ignored, as the window library also leaves it.
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &request, nullptr);
  }
}

bool PlatformTakeTerminationRequest() {
  if (g_terminationRequested == 0) return false;
  g_terminationRequested = 0;
  return true;
}

bool PlatformTerminationRequested() { return g_terminationRequested != 0; }
