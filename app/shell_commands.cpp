#include "app/shell_commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_shutdown.h"
#include "app/std_streams.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/opengl_dodevudi.h"
#include "platform/command_line_split.h"
#include "platform/gl_window.h"
#include "platform/process.h"
#include "process/app_globals.h"
#include "process/program_end.h"

double ShellRun(RtString command, double wait, double show, double* exitCode) {
  (void)show;
  if (exitCode != nullptr) *exitCode = 0.0;
  if (g_app.engine2d != nullptr) SetWindowedMode(*g_app.engine2d);
  const pid_t pid = PlatformProcessStart(PlatformSplitCommandLine(std::string(command.text, command.length)));
  double result = 0.0;
  if (pid > 0) {
    if (wait != 0.0) {
      const uint32_t status = PlatformProcessWait(pid);
      if (exitCode != nullptr) *exitCode = static_cast<double>(status);
    } else {
      PlatformProcessDetach(pid);
    }
    result = 1.0;
  }
  PlatformWindowRaise(MainWindowHandle());
  return result;
}

void ShellEnd(RtString command) {
  ProgramBeginEnding();
  AppShutdown();
  double exitCode = 0.0;
  ShellRun(StringCopy(command), 0.0, 1.0, &exitCode);
  std::fflush(stdout);
  std::exit(0);
}
