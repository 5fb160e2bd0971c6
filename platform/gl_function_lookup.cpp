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

// True when the function name ends in the vendor tag of an extension the
// list names ("glActiveTextureARB" and "GL_ARB_multitexture"): a function
// of that vendor's extensions.
bool EndsInAListedVendorTag(const char* list, const char* name) {
  if (list == nullptr) return false;
  const size_t length = std::strlen(name);
  for (const char* word = list; *word != '\0';) {
    const char* end = std::strchr(word, ' ');
    if (end == nullptr) end = word + std::strlen(word);
    // "GL_" vendor "_" name
    if (end - word > 3 && std::strncmp(word, "GL_", 3) == 0) {
      const char* vendor = word + 3;
      const char* vendor_end = static_cast<const char*>(std::memchr(vendor, '_', static_cast<size_t>(end - vendor)));
      const size_t vendor_length = vendor_end != nullptr ? static_cast<size_t>(vendor_end - vendor) : 0;
      if (vendor_length > 0 && length > 2 + vendor_length &&
          std::strncmp(name + length - vendor_length, vendor, vendor_length) == 0) {
        return true;
      }
    }
    word = *end == ' ' ? end + 1 : end;
  }
  return false;
}

}  // namespace

bool PlatformGlFunctionAvailable(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (SDL_GL_GetCurrentContext() == nullptr) return false;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (ListHasWord(extensions, name)) return true;
  if (std::strncmp(name, "gl", 2) != 0) return false;
  // A function of an extension comes from the context's own loader, and only
  // while the context has an extension of its vendor: the loader alone
  // hands out an address for any name.
  if (EndsInAListedVendorTag(extensions, name)) return SDL_GL_GetProcAddress(name) != nullptr;
  // A core function: one the OpenGL library provides.
  return dlsym(RTLD_DEFAULT, name) != nullptr;
}
