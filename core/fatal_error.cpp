#include "core/fatal_error.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

void (*g_fatalErrorHook)(int32_t code) = nullptr;

namespace {

void WriteStdErr(const char* text, int length) {
  if (length > 0) (void)!write(STDERR_FILENO, text, static_cast<size_t>(length));
}

}  // namespace

void CoreFatal(int32_t code) {
  if (g_fatalErrorHook != nullptr) {
    g_fatalErrorHook(code);
    return;
  }
  char text[32];
  WriteStdErr(text, std::snprintf(text, sizeof text, "fatal error %d\n", code));
  std::_Exit(EXIT_FAILURE);
}

void RuntimeOutOfMemory() {
  CoreFatal(kErrorOutOfMemory);
  // The program was already ending: nothing can go on without the memory.
  static const char message[] = "fatal: out of memory while the program ends\n";
  WriteStdErr(message, sizeof message - 1);
  std::_Exit(EXIT_FAILURE);
}
