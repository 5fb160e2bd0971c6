#include "platform/debugger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* DebugOutFile() {
  const char* name = std::getenv("VNL_DEBUG_OUT");
  return (name != nullptr && name[0] != '\0') ? name : nullptr;
}

bool ProcessIsTraced() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return false;
  char line[256];
  bool traced = false;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      traced = std::atoi(line + 10) != 0;
      break;
    }
  }
  std::fclose(status);
  return traced;
}

void WriteAll(int fd, const char* text, size_t length) {
  while (length > 0) {
    const ssize_t n = write(fd, text, length);
    if (n < 0) return;
    text += n;
    length -= static_cast<size_t>(n);
  }
}

}  // namespace

bool PlatformDebuggerAttached() { return DebugOutFile() != nullptr || ProcessIsTraced(); }

void PlatformDebuggerWrite(const char* text, size_t length) {
  if (const char* name = DebugOutFile()) {
    const int fd = open(name, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    WriteAll(fd, text, length);
    close(fd);
    return;
  }
  if (ProcessIsTraced()) WriteAll(STDERR_FILENO, text, length);
}
