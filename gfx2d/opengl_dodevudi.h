// The 2D engine object: every table of the 2D layer (sprites, font glyphs,
// offscreen screens, background images, the vertex array), the window and
// its OpenGL context, the drawing state and the frame timing.
//
// Start-up builds one object before the window exists and keeps it in
// g_app.engine2d; GlStartup then fills the window, sizes and context.
// Teardown deletes it, which releases the textures, the window and the
// context. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "core/grow_array.h"

class Dodevudi3D;
struct PlatformWindow;

inline constexpr int kSpriteCount = 65537;      // sprites 0..65535 and one spare
inline constexpr int kFontCount = 32;            // font n uses sprite kFontSpriteBase + n
inline constexpr int kFontSpriteBase = 65504;
inline constexpr int kGlyphCount = 256;
inline constexpr int kOffscreenCount = 32;
inline constexpr int kBackgroundCount = 8;
inline constexpr int kBackgroundTiles = 64;      // 8 columns x 8 rows
// Sprite numbers 0..65535 name a slot of the table (65536 is its spare).
inline bool SpriteInTable(int32_t n) { return n >= 0 && n < kSpriteCount; }

// The largest texture side a SpriteRecord's 16-bit sizes can hold.
inline constexpr int32_t kLargestTextureSide = 16384;
inline constexpr uint32_t kDefaultSpriteColourKey = 0x008000FF;  // RGB(255, 0, 128)

// One sprite slot; image width 0 = free.
struct SpriteRecord {
  uint32_t texture;
  uint32_t mipmappedTexture;
  float uMax;
  float vMax;
  int16_t textureWidth;
  int16_t textureHeight;
  int16_t imageWidth;
  int16_t imageHeight;
  int16_t frameWidth;
  int16_t frameHeight;
};

// One character of a bitmap font.
struct GlyphRecord {
  uint8_t leftOffset;
  uint8_t width;
  float uLeft;
  float uRight;
};

// One offscreen screen.
struct FboRecord {
  int32_t framebuffer;       // 0 = none
  int32_t depthRenderbuffer; // 0 = none
  int32_t savedBinding;      // -1 = not bound
  int32_t width;
  int32_t height;
  int32_t sprite;            // sprite that receives the drawing, -1 = none
};

// An image cut into at most 8 x 8 tiles, each its own texture; the tables
// are indexed column * 8 + row.
struct BackgroundSlot {
  uint32_t tileTexture[kBackgroundTiles];
  int16_t tileTextureWidth[kBackgroundTiles];
  int16_t tileTextureHeight[kBackgroundTiles];
  int16_t tileImageWidth[kBackgroundTiles];
  int16_t tileImageHeight[kBackgroundTiles];
  int8_t columns;  // greater than 0 = slot in use
  int8_t rows;
};

struct TexturedVertex {
  float x, y, z;
  float u, v;
};

class OpenGLDodevudi {
 public:
  OpenGLDodevudi();
  virtual ~OpenGLDodevudi();
  OpenGLDodevudi(const OpenGLDodevudi&) = delete;
  OpenGLDodevudi& operator=(const OpenGLDodevudi&) = delete;

  GrowArray<TexturedVertex> vertices;
  int32_t boundSprite = -1;
  int32_t boundSecondSprite = -1;
  uint32_t boundMipmapped = 0;
  GlyphRecord (*glyphs)[kGlyphCount] = nullptr;  // kFontCount tables of kGlyphCount (calloc)
  SpriteRecord* sprites = nullptr;  // kSpriteCount records (calloc)
  float currentAlpha = 0.0f;
  float alphaTestThreshold = 1.0f;
  uint8_t clearColourOn = 1;
  uint8_t depthClearPending = 1;
  uint8_t bgraSupported = 0;
  FboRecord screens[kOffscreenCount];
  int32_t currentScreen = -1;
  uint8_t** alphaMasks = nullptr;  // kSpriteCount collision masks (table calloc, masks new[]), null = none
  BackgroundSlot backgrounds[kBackgroundCount];
  uint8_t smoothing = 1;
  PlatformWindow* window = nullptr;
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  int32_t colourDepth = 0;
  uint8_t fullScreen = 0;
  int32_t multisample = 0;
  int32_t viewport[4] = {0, 0, 0, 0};  // x, y, width, height
  int32_t orientation = 0;             // 0..3 = 0, 90, 180, 270 degrees
  uint32_t spriteColourKey = kDefaultSpriteColourKey;
  uint32_t fontColourKey = 0;
  Dodevudi3D* engine3d = nullptr;
  double nextFrameTime = 0.0;
  double framePeriod = 0.0;
  void* instance = nullptr;
  void* context = nullptr;  // the window's GL context; null = none
};

// The texture backup file of this process: the temporary folder and
// "vnltxs<hex number>.bin", the number fixed at the first engine built.
std::string TempTextureFileName(const OpenGLDodevudi& engine);
// Removes what stands under that name (a file, a link or an empty folder).
void TempTextureFileRemove(const OpenGLDodevudi& engine);

// Frees sprite s's collision mask (read again at its next test).
void SpriteAlphaMaskFree(OpenGLDodevudi& engine, int32_t s);

