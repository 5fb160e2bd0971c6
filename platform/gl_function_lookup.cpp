#include "platform/gl_function_lookup.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <dlfcn.h>

#include <cstring>

namespace {

// True when the name is one whole blank-separated word of the list.
bool ListHasWord(const char* list, const char* name) {
  const size_t length = std::strlen(name);
  if (list == nullptr || length == 0) return false;
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
    const bool starts = p == list || p[-1] == ' ';
    const bool ends = p[length] == ' ' || p[length] == '\0';
    if (starts && ends) return true;
  }
  return false;
}

}  // namespace

bool PlatformGlFunctionAvailable(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (SDL_GL_GetCurrentContext() == nullptr) return false;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (ListHasWord(extensions, name)) return true;
  return std::strncmp(name, "gl", 2) == 0 && dlsym(RTLD_DEFAULT, name) != nullptr;
}
