#include "process/program_end.h"

#include <cstdio>
#include <cstdlib>

void (*g_programTeardownHook)() = nullptr;
void (*g_runtimeShutdownHook)() = nullptr;

namespace {

bool g_programEnding = false;
int g_exitStatus = 0;

}  // namespace

bool ProgramEnding() { return g_programEnding; }

bool ProgramBeginEnding() {
  if (g_programEnding) return false;
  g_programEnding = true;
  return true;
}

void ProgramSetExitStatus(int status) { g_exitStatus = status; }

void ProgramEnd() {
  if (!ProgramBeginEnding()) return;
  if (g_programTeardownHook != nullptr) g_programTeardownHook();
  std::puts("exit");
  std::fflush(stdout);
  std::exit(g_exitStatus);
}
