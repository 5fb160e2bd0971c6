#include "app/program_end.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool g_programEnding = false;

}  // namespace

bool ProgramEnding() { return g_programEnding; }

void ProgramEnd() {
  if (g_programEnding) return;
  g_programEnding = true;
  std::puts("exit");
  std::fflush(stdout);
  std::exit(0);
}
