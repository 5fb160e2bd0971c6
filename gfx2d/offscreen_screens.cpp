#include "gfx2d/offscreen_screens.h"

#include <GL/gl.h>

#include <cstring>

#include "files/error_log.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"

namespace {

constexpr FboRecord kFreeScreen = {0, 0, -1, 0, 0, -1};

GLuint Name(int32_t value) { return static_cast<GLuint>(value); }

// Gives the bound renderbuffer depth storage: 32 bits, else 24, else 16.
void DepthStorage(int32_t width, int32_t height) {
  while (glGetError() != GL_NO_ERROR) {
  }
  g_glext.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT32, width, height);
  if (glGetError() != GL_INVALID_ENUM) return;
  ErrorLogAppend("depth 32 failed, try 24\n");
  g_glext.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
  if (glGetError() != GL_INVALID_ENUM) return;
  ErrorLogAppend("depth 32 failed, try 16\n");
  g_glext.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT16, width, height);
}


}  // namespace

int32_t FboBegin(FboRecord& record) {
  if (!g_glext.fboUsable) return 0;
  if (record.savedBinding != -1) {
    ErrorLogAppend("Trying to rebind the same FBO again. Need to end first\n");
    return 0;
  }
  QuadBatchFlush();
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  record.savedBinding = binding;
  g_glext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Name(record.framebuffer));
  return 1;
}

int32_t FboEnd(FboRecord& record) {
  if (!g_glext.fboUsable || record.savedBinding == -1) return 0;
  QuadBatchFlush();
  g_glext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, Name(record.savedBinding));
  record.savedBinding = -1;
  return 1;
}

void FboDestroy(FboRecord& record) {
  FboEnd(record);
  if (record.framebuffer != 0 && g_glext.glDeleteFramebuffersEXT != nullptr) {
    const GLuint name = Name(record.framebuffer);
    g_glext.glDeleteFramebuffersEXT(1, &name);
  }
  if (record.depthRenderbuffer != 0 && g_glext.glDeleteRenderbuffersEXT != nullptr) {
    const GLuint name = Name(record.depthRenderbuffer);
    g_glext.glDeleteRenderbuffersEXT(1, &name);
  }
  record = kFreeScreen;
}

int32_t FboCreate(FboRecord& record, int32_t width, int32_t height, uint32_t texture,
                  uint8_t withDepth) {
  FboDestroy(record);
  if (width < 1 || height < 1) {
    ErrorLogAppendFormat("can't create FBO for neg dims %dx%d\n", width, height);
    return 0;
  }
  if (g_glext.glGenFramebuffersEXT == nullptr || g_glext.glGenRenderbuffersEXT == nullptr ||
      g_glext.glBindRenderbufferEXT == nullptr || g_glext.glRenderbufferStorageEXT == nullptr ||
      g_glext.glCheckFramebufferStatusEXT == nullptr || g_glext.glBindFramebufferEXT == nullptr ||
      g_glext.glFramebufferTexture2DEXT == nullptr || g_glext.glFramebufferRenderbufferEXT == nullptr) {
    return 0;
  }
  GLuint framebuffer = 0;
  g_glext.glGenFramebuffersEXT(1, &framebuffer);
  record.framebuffer = static_cast<int32_t>(framebuffer);
  if (framebuffer == 0) {
    ErrorLogAppend("glGenFramebuffersExt failed\n");
    return 0;
  }
  FboBegin(record);
  glBindTexture(GL_TEXTURE_2D, texture);
  GlTextureCacheInvalidate();
  g_glext.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
  if (withDepth != 0) {
    GLuint depth = 0;
    g_glext.glGenRenderbuffersEXT(1, &depth);
    record.depthRenderbuffer = static_cast<int32_t>(depth);
    if (depth == 0) {
      ErrorLogAppend("glGenRenderbuffersExt failed\n");
      FboDestroy(record);
      return 0;
    }
    g_glext.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth);
    DepthStorage(width, height);
    g_glext.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth);
  }
  const GLenum status = g_glext.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  if (status == 0) ErrorLogAppendFormat("glCheckFramebufferStatusExt()=0: glError=%x\n", glGetError());
  FboEnd(record);
  if (status == GL_FRAMEBUFFER_COMPLETE_EXT) {
    record.width = width;
    record.height = height;
    return 1;
  }
  ErrorLogAppendFormat("glBindRenderbufferExt failed %x\n", status);
  FboDestroy(record);
  if (withDepth != 0) {
    ErrorLogAppend("Trying without a depth buffer as a fallback...\n");
    return FboCreate(record, width, height, texture, 0);
  }
  ErrorLogAppend("CAN'T CREATE FRAMEBUFFER (CREATESCREEN)\n");
  return 0;
}

int32_t FboCurrentBinding() {
  if (!g_glext.fboUsable) return 0;
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  return binding;
}

int32_t FboAttachedTexture() {
  if (!g_glext.fboUsable || g_glext.glGetFramebufferAttachmentParameterivEXT == nullptr) return 0;
  GLint texture = 0;
  g_glext.glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                                   GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &texture);
  return texture;
}

int32_t ScreenCreate(OpenGLDodevudi& engine, int32_t n, int32_t s, int32_t w, int32_t h) {
  if (n < 0 || n >= kOffscreenCount) return 0;
  ScreenEndCurrent(engine);
  FboRecord& screen = engine.screens[n];
  FboDestroy(screen);
  if (s >= 0) SpriteReset(engine, s);
  if (w < 1 || h < 1 || !SpriteInTable(s)) return 0;

  // The texture the upload makes: powers of two of at least 16, so that
  // the record's size and extents are those of the real texture. A side
  // the sprite record or the driver cannot hold is refused.
  const int32_t limit = MaxTextureSide() < kLargestTextureSide ? MaxTextureSide() : kLargestTextureSide;
  if (w > limit || h > limit) return 0;
  const int32_t tw = TextureSideFor(w);
  const int32_t th = TextureSideFor(h);

  ImageBuffer blank;
  if (!ImageBufferResize(blank, tw, th)) {
    FboDestroy(screen);
    return 0;
  }
  std::memset(blank.pixels, 0, static_cast<size_t>(tw) * th * 4);
  SpriteRecord& sprite = engine.sprites[s];
  const bool uploaded = TextureUpload(blank, 0, 0, tw, th, &sprite.texture, nullptr, false, false);
  ImageBufferRelease(blank);
  if (!uploaded) return 0;
  SpriteRecordSetSize(sprite, tw, th, w, h);

  if (FboCreate(screen, tw, th, sprite.texture, 1) == 0) return 0;
  screen.sprite = s;
  ScreenEndCurrent(engine);
  return 1;
}

void ScreenUse(OpenGLDodevudi& engine, int32_t n) {
  ScreenEndCurrent(engine);
  engine.currentScreen = n;
  if (n < 0 || n >= kOffscreenCount) return;
  FboRecord& screen = engine.screens[n];
  const int32_t s = screen.sprite;
  if (!SpriteInTable(s)) return;
  // A screen has a target sprite only when its framebuffer was made, and
  // the screen ended above is the only one ever bound, so this binds.
  if (FboBegin(screen) != 0) {
    const SpriteRecord& sprite = engine.sprites[s];
    SetViewportProjection(engine, 0, 0, sprite.imageWidth, sprite.imageHeight);
    glViewport(0, 0, sprite.imageWidth, sprite.imageHeight);
  }
  SpriteAlphaMaskFree(engine, s);
}

void ScreenEndCurrent(OpenGLDodevudi& engine) {
  const int32_t current = engine.currentScreen;
  if (current >= 0 && current < kOffscreenCount) FboEnd(engine.screens[current]);
  engine.currentScreen = -1;
  SetViewportProjection(engine, 0, 0, 0, 0);
}

int32_t ScreenTargetingSprite(const OpenGLDodevudi& engine, int32_t s) {
  for (int32_t n = 0; n < kOffscreenCount; ++n) {
    if (engine.screens[n].sprite == s) return n;
  }
  return -1;
}

int32_t FreeScreenNumber(const OpenGLDodevudi& engine) {
  for (int32_t n = kOffscreenCount - 1; n >= 0; --n) {
    if (engine.screens[n].width == 0 || engine.screens[n].sprite < 0) return n;
  }
  return -1;
}

void ScreenDestroyAll(OpenGLDodevudi& engine) {
  ScreenEndCurrent(engine);
  for (FboRecord& screen : engine.screens) FboDestroy(screen);
}
