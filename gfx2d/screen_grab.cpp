#include "gfx2d/screen_grab.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

#include "gfx2d/gl_state_cache.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/primitives.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_slots.h"
#include "gfx2d/texture_upload.h"

namespace {

constexpr uint32_t kNoColourKey = 0xFFFFFFFFu;
constexpr int32_t kFirstTileSide = 128;
constexpr int32_t kProbeAt = 4;

// Positions this far out lie beyond every surface; clamping there keeps
// the arithmetic below in range without changing what is read.
constexpr int32_t kFar = 1 << 24;
int32_t Near(int32_t v) { return std::clamp(v, -kFar, kFar); }

// Pixels on their way from the framebuffer to a texture; they keep their
// storage from grab to grab and are freed at exit.
struct Scratch {
  ImageBuffer image;
  ~Scratch() { ImageBufferRelease(image); }
};
Scratch g_read;
Scratch g_turned;

// What drawing lands on: the current offscreen screen's sprite while one
// is bound, else the window. Offscreen screens are never turned.
struct Surface {
  bool offscreen;
  int32_t width;
  int32_t height;
  int32_t orientation;
};

Surface CurrentSurface(const OpenGLDodevudi& engine) {
  const int32_t c = engine.currentScreen;
  if (c >= 0 && c < kOffscreenCount) {
    const FboRecord& screen = engine.screens[c];
    if (screen.savedBinding != -1 && SpriteInTable(screen.sprite)) {
      const SpriteRecord& sprite = engine.sprites[screen.sprite];
      return Surface{true, sprite.imageWidth, sprite.imageHeight, 0};
    }
  }
  return Surface{false, engine.screenWidth, engine.screenHeight, engine.orientation};
}

void PrepareRead(const Surface& surface) {
  glReadBuffer(surface.offscreen ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
}

GLenum PixelFormat(const OpenGLDodevudi& engine) {
  return engine.bgraSupported != 0 ? GL_BGRA : GL_RGBA;
}

// Screen point to window pixel on this surface.
void ToWindow(const OpenGLDodevudi& engine, const Surface& surface, int32_t x, int32_t y,
              int32_t* outX, int32_t* outY) {
  if (surface.orientation == 0) {
    *outX = x;
    *outY = y;
  } else {
    OrientPoint(engine, x, y, outX, outY);
  }
}

// A new texture of w x h undefined pixels, bound, repeating, linear.
uint32_t NewEmptyTexture(const OpenGLDodevudi& engine, int32_t w, int32_t h) {
  SetUnpackState();
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, PixelFormat(engine), GL_UNSIGNED_BYTE, nullptr);
  GlTextureCacheInvalidate();
  return name;
}

// The sprite colour key as the framebuffer holds it (0x00BBGGRR): black
// needs no probe; false while there is no key. The key is drawn with
// blending and the alpha test off, since drawing in the key colour is
// otherwise transparent and would leave the pixel as it was.
bool StoredColourKey(OpenGLDodevudi& engine, uint32_t* stored) {
  const uint32_t key = engine.spriteColourKey;
  if (key == kNoColourKey) return false;
  *stored = 0;
  if (key == 0) return true;
  const uint32_t old = ReadScreenPixel(engine, kProbeAt, kProbeAt);
  glPushAttrib(GL_COLOR_BUFFER_BIT);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  PlotPixel(engine, kProbeAt, kProbeAt, static_cast<int32_t>(key));
  *stored = ReadScreenPixel(engine, kProbeAt, kProbeAt);
  PlotPixel(engine, kProbeAt, kProbeAt, static_cast<int32_t>(old));
  glPopAttrib();
  return true;
}

int32_t PowerOfTwoAtLeast(int32_t size) {
  int32_t side = 1;
  while (side < size) side *= 2;
  return side;
}

// The texture that receives a grab of tw x th: the sprite's own when it
// has that size (its mipmapped copy would show the old picture and goes),
// else a new one in place of both.
void PrepareSpriteTexture(OpenGLDodevudi& engine, SpriteRecord& sprite, int32_t tw, int32_t th) {
  if (sprite.mipmappedTexture != 0) glDeleteTextures(1, &sprite.mipmappedTexture);
  sprite.mipmappedTexture = 0;
  GlTextureCacheInvalidate();
  if (sprite.texture != 0 && sprite.textureWidth == tw && sprite.textureHeight == th) {
    glBindTexture(GL_TEXTURE_2D, sprite.texture);
    return;
  }
  if (sprite.texture != 0) glDeleteTextures(1, &sprite.texture);
  sprite.texture = NewEmptyTexture(engine, tw, th);
}

// Reads the screen rectangle through memory into the bound texture, turned
// back by the orientation, keying out the stored key colour when one is
// given. False when the pixels cannot be held.
bool CopyThroughMemory(OpenGLDodevudi& engine, const Surface& surface, int32_t x, int32_t y,
                       int32_t w, int32_t h, const uint32_t* key) {
  // The rectangle in window terms.
  int32_t wx = x;
  int32_t wy = y;
  int32_t ww = w;
  int32_t wh = h;
  if (surface.orientation != 0) {
    OrientRect(engine, x, y, w, h, &wx, &wy, &ww, &wh);
    if (ww < 0) {
      wx += ww + 1;
      ww = -ww;
    }
    if (wh < 0) {
      wy += wh + 1;
      wh = -wh;
    }
  }
  if (!ImageBufferResize(g_read.image, ww, wh) || !ImageBufferResize(g_turned.image, w, h)) {
    return false;
  }
  std::memset(g_read.image.pixels, 0, static_cast<size_t>(ww) * wh * 4);
  const GLenum format = PixelFormat(engine);
  PrepareRead(surface);
  glReadPixels(wx, surface.height - wy - wh, ww, wh, format, GL_UNSIGNED_BYTE, g_read.image.pixels);

  // Texture row 0 is the picture's bottom row; the read block's row 0 is
  // the window rectangle's bottom row.
  const bool bgra = format == GL_BGRA;
  for (int32_t row = 0; row < h; ++row) {
    for (int32_t column = 0; column < w; ++column) {
      int32_t px = 0;
      int32_t py = 0;
      ToWindow(engine, surface, x + column, y + h - 1 - row, &px, &py);
      const int32_t readColumn = px - wx;
      const int32_t readRow = wy + wh - 1 - py;
      uint8_t* out = g_turned.image.pixels + (static_cast<size_t>(row) * w + column) * 4;
      if (readColumn < 0 || readColumn >= ww || readRow < 0 || readRow >= wh) {
        std::memset(out, 0, 4);
        continue;
      }
      std::memcpy(out, g_read.image.pixels + (static_cast<size_t>(readRow) * ww + readColumn) * 4, 4);
      if (key != nullptr) {
        const uint8_t red = out[bgra ? 2 : 0];
        const uint8_t blue = out[bgra ? 0 : 2];
        if (red == (*key & 0xFF) && out[1] == ((*key >> 8) & 0xFF) && blue == ((*key >> 16) & 0xFF)) {
          out[3] = 0;
        }
      }
    }
  }
  SetUnpackState();
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, format, GL_UNSIGNED_BYTE, g_turned.image.pixels);
  return true;
}

}  // namespace

void DrawingSurfaceSize(const OpenGLDodevudi& engine, int32_t* width, int32_t* height) {
  const Surface surface = CurrentSurface(engine);
  const bool turned = surface.orientation == 1 || surface.orientation == 3;
  *width = turned ? surface.height : surface.width;
  *height = turned ? surface.width : surface.height;
}

uint32_t ReadScreenPixel(OpenGLDodevudi& engine, int32_t x, int32_t y) {
  QuadBatchFlush();
  const Surface surface = CurrentSurface(engine);
  int32_t wx = 0;
  int32_t wy = 0;
  ToWindow(engine, surface, Near(x), Near(y), &wx, &wy);
  if (wx < 0 || wy < 0 || wx >= surface.width || wy >= surface.height) return 0;
  PrepareRead(surface);
  uint8_t pixel[4] = {0, 0, 0, 0xFF};
  const GLenum format = PixelFormat(engine);
  glReadPixels(wx, surface.height - wy - 1, 1, 1, format, GL_UNSIGNED_BYTE, pixel);
  const bool bgra = format == GL_BGRA;
  const uint32_t red = pixel[bgra ? 2 : 0];
  const uint32_t blue = pixel[bgra ? 0 : 2];
  return red | uint32_t{pixel[1]} << 8 | blue << 16;
}

uint32_t ProbeColourKeyPixel(OpenGLDodevudi& engine) {
  uint32_t stored = 0;
  if (engine.spriteColourKey == 0 || !StoredColourKey(engine, &stored)) return 0;
  return __builtin_bswap32(stored);
}

void GrabScreenToBackground(OpenGLDodevudi& engine, int32_t slot) {
  if (slot < 0 || slot >= kBackgroundCount) return;
  QuadBatchFlush();
  GlTextureCacheInvalidate();
  BackgroundSlot& background = engine.backgrounds[slot];
  const Surface surface = CurrentSurface(engine);
  const int32_t largest = std::min(MaxTextureSide(), kLargestTextureSide);
  int32_t side = kFirstTileSide;
  while (side < std::max(surface.width, surface.height) && side < largest) side *= 2;
  if (surface.height < 1) {
    background.rows = 0;
    return;
  }
  // The slot holds 8 x 8 tiles; a surface larger than that leaves its
  // right and bottom parts out.
  const int32_t columns = std::min((std::max(surface.width, 0) + side - 1) / side, 8);
  const int32_t rows = std::min((surface.height + side - 1) / side, 8);
  const bool throughMemory = engine.bgraSupported == 0;
  for (int32_t c = 0; c < columns; ++c) {
    for (int32_t r = 0; r < rows; ++r) {
      const int i = c * 8 + r;
      const int32_t left = c * side;
      const int32_t top = r * side;
      const int32_t width = std::min(side, surface.width - left);
      const int32_t height = std::min(side, surface.height - top);
      uint32_t& texture = background.tileTexture[i];
      if (texture != 0 && background.tileTextureWidth[i] == side &&
          background.tileTextureHeight[i] == side) {
        glBindTexture(GL_TEXTURE_2D, texture);
      } else {
        if (texture != 0) glDeleteTextures(1, &texture);
        texture = NewEmptyTexture(engine, side, side);
      }
      PrepareRead(surface);
      const int32_t bottom = surface.height - top - height;
      if (!throughMemory) {
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, left, bottom, width, height);
      } else if (ImageBufferResize(g_read.image, width, height)) {
        glReadPixels(left, bottom, width, height, GL_RGBA, GL_UNSIGNED_BYTE, g_read.image.pixels);
        SetUnpackState();
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                        g_read.image.pixels);
      }
      background.tileTextureWidth[i] = static_cast<int16_t>(side);
      background.tileTextureHeight[i] = static_cast<int16_t>(side);
      background.tileImageWidth[i] = static_cast<int16_t>(width);
      background.tileImageHeight[i] = static_cast<int16_t>(height);
    }
  }
  background.columns = static_cast<int8_t>(columns);
  background.rows = static_cast<int8_t>(rows);
}

bool GrabSprite(OpenGLDodevudi& engine, int32_t sprite, int32_t x, int32_t y, int32_t width,
                int32_t height) {
  if (!SpriteInTable(sprite)) return false;
  if (width == 0 || height == 0) {
    SpriteReset(engine, sprite);
    return true;
  }
  const int32_t largest = std::min(MaxTextureSide(), kLargestTextureSide);
  if (width < 0 || height < 0 || width > largest || height > largest) {
    SpriteReset(engine, sprite);
    return false;
  }
  const int32_t tw = PowerOfTwoAtLeast(width);
  const int32_t th = PowerOfTwoAtLeast(height);
  if (tw > largest || th > largest) {
    SpriteReset(engine, sprite);
    return false;
  }
  x = Near(x);
  y = Near(y);
  QuadBatchFlush();
  const Surface surface = CurrentSurface(engine);
  GLint alphaBits = 0;
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  const bool direct = surface.orientation == 0 && alphaBits != 0;
  // Probed before the texture is bound: the probe draws.
  uint32_t storedKey = 0;
  const bool keyed = !direct && alphaBits == 0 && StoredColourKey(engine, &storedKey);

  SpriteRecord& record = engine.sprites[sprite];
  PrepareSpriteTexture(engine, record, tw, th);
  bool copied = true;
  if (direct) {
    PrepareRead(surface);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, surface.height - y - height, width, height);
  } else {
    copied = CopyThroughMemory(engine, surface, x, y, width, height, keyed ? &storedKey : nullptr);
  }
  if (!copied) {
    SpriteReset(engine, sprite);
    return false;
  }
  SpriteRecordSetSize(record, tw, th, width, height);
  // The picture changed: its collision mask is read again at the next test.
  SpriteAlphaMaskFree(engine, sprite);
  return true;
}
