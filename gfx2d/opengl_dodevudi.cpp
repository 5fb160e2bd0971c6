#include "gfx2d/opengl_dodevudi.h"

#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/fatal_error.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_window_modes.h"
#include "gfx2d/offscreen_screens.h"
#include "platform/system_paths.h"

namespace {

// The per-process number in the texture backup file's name.
bool g_backupNumberSet = false;
uint32_t g_backupNumber = 0;

}  // namespace

OpenGLDodevudi::OpenGLDodevudi() {
  vertices.step = 128;
  vertices.first = 512;
  // The tables start all zero: calloc hands out fresh zero pages, so
  // start-up does not write 2 MB of zeros, and pages are only touched when
  // a sprite or font uses them.
  glyphs = static_cast<GlyphRecord(*)[kGlyphCount]>(std::calloc(kFontCount, sizeof(GlyphRecord[kGlyphCount])));
  sprites = static_cast<SpriteRecord*>(std::calloc(kSpriteCount, sizeof(SpriteRecord)));
  alphaMasks = static_cast<uint8_t**>(std::calloc(kSpriteCount, sizeof(uint8_t*)));
  if (glyphs == nullptr || sprites == nullptr || alphaMasks == nullptr) RuntimeOutOfMemory();
  for (FboRecord& screen : screens) screen = FboRecord{0, 0, -1, 0, 0, -1};
  std::memset(backgrounds, 0, sizeof(backgrounds));
  if (!g_backupNumberSet) {
    g_backupNumber = static_cast<uint32_t>(std::rand()) +
                     static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
    g_backupNumberSet = true;
  }
  TempTextureFileRemove(*this);
}

OpenGLDodevudi::~OpenGLDodevudi() {
  TempTextureFileRemove(*this);
  // The screens' framebuffers belong to the context; without one there is
  // nothing left to delete.
  if (context != nullptr) {
    ScreenDestroyAll(*this);
  } else {
    currentScreen = -1;
    for (FboRecord& screen : screens) screen = FboRecord{0, 0, -1, 0, 0, -1};
  }
  GlShutdown(*this);
  context = nullptr;
  if (alphaMasks != nullptr) {
    for (int i = 0; i < kSpriteCount; ++i) delete[] alphaMasks[i];
    std::free(alphaMasks);
    alphaMasks = nullptr;
  }
  std::free(sprites);
  sprites = nullptr;
  std::free(glyphs);
  glyphs = nullptr;
  vertices.Release();
}

std::string TempTextureFileName(const OpenGLDodevudi&) {
  std::string folder = PlatformTempFolder();
  if (folder.empty()) folder = "/tmp/";
  char number[16];
  std::snprintf(number, sizeof(number), "%x", g_backupNumber);
  return folder + "vnltxs" + number + ".bin";
}

void TempTextureFileRemove(const OpenGLDodevudi& engine) {
  const std::string name = TempTextureFileName(engine);
  struct stat info;
  if (lstat(name.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    rmdir(name.c_str());
  } else {
    unlink(name.c_str());
  }
}

void SpriteAlphaMaskFree(OpenGLDodevudi& engine, int32_t s) {
  if (!SpriteInTable(s) || engine.alphaMasks == nullptr) return;
  delete[] engine.alphaMasks[s];
  engine.alphaMasks[s] = nullptr;
}
