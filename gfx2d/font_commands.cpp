#include "gfx2d/font_commands.h"

#include <algorithm>
#include <string>

#include "files/media_resolver.h"
#include "gfx2d/bitmap_fonts.h"
#include "gfx2d/font_images.h"
#include "gfx2d/opengl_dodevudi.h"
#include "process/app_globals.h"
#include "process/error_state.h"

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
  if (MediaResolveName(name.c_str(), &resolved) == 0 || !FontFromFile(*engine, n, resolved.c_str())) {
    RuntimeSetError(kErrorFile);
    FontBuildDefault(*engine, n);
  }
}

void TextDraw(const RtString& text, double x, double y, int32_t proportional) {
  if (g_app.engine2d != nullptr) {
    PrintText(*g_app.engine2d, g_app.currentFont, text.c_str(), x, y, 0.0f, proportional != 0);
  }
}

int32_t TextGetWidth(const RtString& text, int32_t proportional) {
  if (g_app.engine2d == nullptr) return 0;
  const uint32_t width = TextWidth(*g_app.engine2d, g_app.currentFont, text.c_str(), proportional != 0);
  return static_cast<int32_t>(std::min<uint32_t>(width, INT32_MAX));
}

void FontGetCharSizeI(int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  if (g_app.engine2d != nullptr) FontCharSize(*g_app.engine2d, g_app.currentFont, width, height);
}

void FontGetCharSize(double* width, double* height) {
  int32_t w = 0;
  int32_t h = 0;
  FontGetCharSizeI(&w, &h);
  *width = w;
  *height = h;
}

int32_t FontFreeNumber() { return g_app.engine2d != nullptr ? FreeFontNumber(*g_app.engine2d) : -1; }
