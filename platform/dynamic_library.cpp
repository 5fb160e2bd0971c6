#include "platform/dynamic_library.h"

#include <dlfcn.h>

void* PlatformLibraryOpen(const char* name) {
  // An empty name would give the program itself.
  if (name == nullptr || name[0] == '\0') return nullptr;
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* PlatformLibrarySymbol(void* library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  return dlsym(library, name);
}

void PlatformLibraryClose(void* library) {
  if (library != nullptr) dlclose(library);
}
