#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>

void* PlatformLibraryOpen(const char* name) {
  // An empty name would give the program itself.
  if (name == nullptr || name[0] == '\0') return nullptr;
  // A path must lead to a regular file: the loader's open of a FIFO would
  // wait for a writer forever, and a folder or device is no library.
  struct stat info {};
  if (std::strchr(name, '/') != nullptr && (stat(name, &info) != 0 || !S_ISREG(info.st_mode))) return nullptr;
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* PlatformLibrarySymbol(void* library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return dlsym(library, name);
}

void PlatformLibraryClose(void* library) {
  if (library != nullptr) dlclose(library);
}
