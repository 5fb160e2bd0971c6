// A small shared library for the DLL declaration tests: one exported
// function, and a destructor that appends "unloaded\n" to the file named by
// VNL_DECLARED_MODULE_MARKER when the library is unloaded.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int DeclaredAdd(int a, int b) { return a + b; }

__attribute__((destructor)) static void LeaveUnloadMarker() {
  const char* path = std::getenv("VNL_DECLARED_MODULE_MARKER");
  if (path == nullptr || path[0] == '\0') return;
  const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd < 0) return;
  (void)!write(fd, "unloaded\n", 9);
  close(fd);
}
