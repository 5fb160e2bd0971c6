#include "gfx2d/font_commands.h"

#include <string>

#include "app/app_globals.h"
#include "app/error_state.h"
#include "files/media_resolver.h"
#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/font_images.h"
#include "gfx2d/opengl_dodevudi.h"

namespace {

// The name to open for a media file; without a resolver (no start-up) the
// name itself.
bool ResolveFontFile(const char* name, std::string* out) {
  if (g_app.mediaResolver == nullptr) {
    *out = name;
    return true;
  }
  return MediaResolve(*g_app.mediaResolver, name, out, true) != 0;
}

}  // namespace

void FontSelect(int32_t n) {
  if (!FontNumberValid(n)) {
    RuntimeSetError(kErrorOutOfMemory);
    return;
  }
  g_app.currentFont = n;
}

void FontLoad(const RtString& name, int32_t n) {
  g_errorState.code = kErrorNone;
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  if (name.empty()) {
    if (FontNumberValid(n)) FontFromFile(*engine, n, "");
    return;
  }
  // A number that names no font loads nothing: the current font is not
  // overwritten in its place.
  if (!FontNumberValid(n)) {
    RuntimeSetError(kErrorOutOfMemory);
    return;
  }
  g_app.currentFont = n;
  std::string resolved;
  if (!ResolveFontFile(name.c_str(), &resolved) || !FontFromFile(*engine, n, resolved.c_str())) {
    RuntimeSetError(kErrorFile);
    FontBuildDefault(*engine, n);
  }
}
